#include "platform/linux/alsa_endpoint.h"

#include <cmath>

#include "platform/linux/alsa_simple_mixer.h"


namespace hush::platform::linux_backend {

namespace {

class AlsaEndpointVolume : public IAudioEndpointVolume {
 public:
  explicit AlsaEndpointVolume(std::string device) : device_(std::move(device)) {}
  // ALSA offers no cheap change notification here; nothing depends on it, so the sink is only kept.
  HResult RegisterControlChangeNotify(std::shared_ptr<IAudioEndpointVolumeCallback> sink) override {
    if (!sink) return kInvalidArg;
    sink_ = std::move(sink);
    return kOk;
  }
  HResult UnregisterControlChangeNotify(const std::shared_ptr<IAudioEndpointVolumeCallback>& sink) override {
    if (!sink || sink != sink_) return kNotFound;
    sink_.reset();
    return kOk;
  }
  HResult GetMasterVolumeLevelScalar(float* level) override {
    if (!level) return kInvalidArg;
    Master master(device_);
    long raw = 0;
    if (!master.elem || !AlsaSimpleMixer::ReadPlayback(master.elem, &raw)) return kFail;
    *level = static_cast<float>(static_cast<double>(raw - master.range.min) /
                                static_cast<double>(master.range.max - master.range.min));
    return kOk;
  }
  HResult SetMasterVolumeLevelScalar(float level, const Guid*) override {
    if (!(level >= 0.0f && level <= 1.0f)) return kInvalidArg;
    Master master(device_);
    long current = 0;
    if (!master.elem || !AlsaSimpleMixer::ReadPlayback(master.elem, &current)) return kFail;
    const long raw = AlsaSimpleMixer::RawForLevel(current, master.range, static_cast<double>(level));
    return AlsaSimpleMixer::WritePlaybackAll(master.elem, raw) ? kOk : kFail;
  }

 private:
  // The card's Master element with its range, opened afresh for each read or write; elem is null
  // when there is none.
  struct Master {
    explicit Master(const std::string& device) : mixer(AlsaSimpleMixer::Open(device)) {
      elem = mixer ? mixer->FindPlaybackVolume("Master") : nullptr;
      if (elem && !AlsaSimpleMixer::PlaybackRange(elem, &range)) elem = nullptr;
    }
    std::unique_ptr<AlsaSimpleMixer> mixer;
    snd_mixer_elem_t* elem = nullptr;
    AlsaSimpleMixer::Range range;
  };

  std::string device_;
  std::shared_ptr<IAudioEndpointVolumeCallback> sink_;
};

class AlsaDevice : public IMMDevice {
 public:
  explicit AlsaDevice(std::string device) : device_(std::move(device)) {}
  HResult Activate(const Guid& iid, std::uint32_t, const PropVariantI2*,
                   std::unique_ptr<IAudioEndpointVolume>* out) override {
    if (!out) return kInvalidArg;
    if (!(iid == kIidAudioEndpointVolume)) return kNoInterface;
    *out = std::make_unique<AlsaEndpointVolume>(device_);
    return kOk;
  }

 private:
  std::string device_;
};

}  // namespace

std::unique_ptr<IMMDevice> AlsaDefaultEndpoint(const std::string& device) {
  if (device.empty()) return nullptr;
  auto mixer = AlsaSimpleMixer::Open(device);
  if (!mixer || !mixer->FindPlaybackVolume("Master")) return nullptr;
  return std::make_unique<AlsaDevice>(device);
}

}  // namespace hush::platform::linux_backend
