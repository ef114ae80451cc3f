#include "tests/fake/fake_platform.h"

#include <cstring>

#include "platform/failure.h"
#include "volume/VolumeSet.h"
#include "volume/WinVersion.h"

namespace hush::fake {

std::vector<std::string> CallLog::Starting(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const auto& call : calls)
    if (call.rfind(prefix, 0) == 0) out.push_back(call);
  return out;
}

int FakeMessageBox::MessageBoxA(const std::string& text, const std::string& caption, unsigned style) {
  log_.Add("MessageBoxA " + caption);
  shown.push_back({text, caption, style});
  return 1;
}

namespace {

class FakeEndpointVolume : public platform::IAudioEndpointVolume {
 public:
  FakeEndpointVolume(FakeCoreAudio& audio, CallLog& log) : audio_(audio), log_(log) {}
  ~FakeEndpointVolume() override { log_.Add("Release endpoint volume"); }
  platform::HResult RegisterControlChangeNotify(std::shared_ptr<platform::IAudioEndpointVolumeCallback> sink) override {
    log_.Add("RegisterControlChangeNotify");
    if (sink) {
      ++audio_.registeredSinks;
      sinks_.push_back(std::move(sink));
    }
    return platform::kOk;
  }
  platform::HResult UnregisterControlChangeNotify(
      const std::shared_ptr<platform::IAudioEndpointVolumeCallback>& sink) override {
    log_.Add("UnregisterControlChangeNotify");
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it)
      if (*it == sink) {
        sinks_.erase(it);
        --audio_.registeredSinks;
        return platform::kOk;
      }
    return platform::kInvalidArg;
  }
  platform::HResult GetMasterVolumeLevelScalar(float* level) override {
    log_.Add("GetMasterVolumeLevelScalar");
    if (audio_.script.getLevelStatus != platform::kOk) return audio_.script.getLevelStatus;
    *level = audio_.script.level;
    return platform::kOk;
  }
  platform::HResult SetMasterVolumeLevelScalar(float level, const platform::Guid* context) override {
    log_.Add("SetMasterVolumeLevelScalar");
    audio_.levelsWritten.push_back(level);
    audio_.contextsWritten.push_back(context ? *context : platform::Guid{0xFFFFFFFF, 0, 0, {}});
    if (audio_.script.setLevelStatus != platform::kOk) return audio_.script.setLevelStatus;
    if (level < 0.0f || level > 1.0f) return platform::kInvalidArg;  // as the real endpoint does
    audio_.script.level = level;
    return platform::kOk;
  }

 private:
  FakeCoreAudio& audio_;
  CallLog& log_;
  std::vector<std::shared_ptr<platform::IAudioEndpointVolumeCallback>> sinks_;
};

class FakeDevice : public platform::IMMDevice {
 public:
  FakeDevice(FakeCoreAudio& audio, CallLog& log) : audio_(audio), log_(log) {}
  ~FakeDevice() override { log_.Add("Release device"); }
  platform::HResult Activate(const platform::Guid& iid, std::uint32_t clsctx, const platform::PropVariantI2* params,
                             std::unique_ptr<platform::IAudioEndpointVolume>* out) override {
    log_.Add("Activate clsctx=" + std::to_string(clsctx));
    audio_.lastActivationIid = iid;
    if (params) audio_.lastActivationParams = *params;
    if (!audio_.script.hasEndpointVolume) return platform::kNoInterface;
    *out = std::make_unique<FakeEndpointVolume>(audio_, log_);
    return platform::kOk;
  }

 private:
  FakeCoreAudio& audio_;
  CallLog& log_;
};

class FakeEnumerator : public platform::IMMDeviceEnumerator {
 public:
  FakeEnumerator(FakeCoreAudio& audio, CallLog& log) : audio_(audio), log_(log) {}
  ~FakeEnumerator() override { log_.Add("Release enumerator"); }
  platform::HResult GetDefaultAudioEndpoint(std::int32_t flow, std::int32_t role,
                                            std::unique_ptr<platform::IMMDevice>* device) override {
    log_.Add("GetDefaultAudioEndpoint " + std::to_string(flow) + " " + std::to_string(role));
    if (!audio_.script.hasDevice) return platform::kNotFound;
    *device = std::make_unique<FakeDevice>(audio_, log_);
    return platform::kOk;
  }

 private:
  FakeCoreAudio& audio_;
  CallLog& log_;
};

}  // namespace

std::unique_ptr<platform::IMMDeviceEnumerator> FakeCoreAudio::CreateDeviceEnumerator() {
  log_.Add("CreateDeviceEnumerator");
  if (script.enumeratorFails) throw platform::Failure("Class not registered");
  return std::make_unique<FakeEnumerator>(*this, log_);
}

platform::MmResult FakeMixer::mixerOpen(platform::MixerHandle32* handle, std::uint32_t deviceId, std::uintptr_t,
                                        std::uintptr_t, std::uint32_t fdwOpen) {
  log_.Add("mixerOpen " + std::to_string(deviceId) + " " + std::to_string(fdwOpen));
  if (script.openResult != 0) return script.openResult;
  *handle = ++next_;
  ++openHandles;
  return 0;
}

platform::MmResult FakeMixer::mixerClose(platform::MixerHandle32 handle) {
  log_.Add("mixerClose " + std::to_string(handle));
  --openHandles;
  return 0;
}

platform::MmResult FakeMixer::mixerGetLineInfoA(platform::MixerHandle32, platform::MixerLine* line,
                                                std::uint32_t flags) {
  log_.Add("mixerGetLineInfoA cb=" + std::to_string(line->cbStruct) + " type=" +
           std::to_string(line->dwComponentType) + " flags=" + std::to_string(flags));
  if (!script.hasSpeakersLine || line->dwComponentType != platform::kMixerLineComponentTypeDstSpeakers)
    return platform::kMixerErrInvalLine;
  line->dwLineID = script.lineId;
  line->cControls = 1;
  return 0;
}

platform::MmResult FakeMixer::mixerGetLineControlsA(platform::MixerHandle32, platform::MixerLineControls* controls,
                                                    std::uint32_t flags) {
  log_.Add("mixerGetLineControlsA cb=" + std::to_string(controls->cbStruct) + " line=" +
           std::to_string(controls->dwLineID) + " type=" + std::to_string(controls->dwControlType) +
           " n=" + std::to_string(controls->cControls) + " size=" + std::to_string(controls->cbmxctrl) +
           " flags=" + std::to_string(flags));
  if (!script.hasVolumeControl || controls->dwLineID != script.lineId ||
      controls->dwControlType != platform::kMixerControlTypeVolume)
    return platform::kMixerErrInvalControl;
  platform::MixerControl control{};
  control.cbStruct = 152;
  control.dwControlID = script.controlId;
  control.dwControlType = platform::kMixerControlTypeVolume;
  control.lMinimum = script.lMinimum;
  control.lMaximum = script.lMaximum;
  std::memcpy(controls->pamxctrl, &control, sizeof control);
  return 0;
}

platform::MmResult FakeMixer::mixerGetControlDetailsA(platform::MixerHandle32, platform::MixerControlDetails* details,
                                                      std::uint32_t flags) {
  log_.Add("mixerGetControlDetailsA id=" + std::to_string(details->dwControlID) + " ch=" +
           std::to_string(details->cChannels) + " size=" + std::to_string(details->cbDetails) +
           " flags=" + std::to_string(flags));
  if (script.getDetailsFails) return platform::kMixerErrInvalControl;
  std::memcpy(details->paDetails, &script.value, 4);
  return 0;
}

platform::MmResult FakeMixer::mixerSetControlDetails(platform::MixerHandle32, platform::MixerControlDetails* details,
                                                     std::uint32_t flags) {
  std::int32_t value = 0;
  std::memcpy(&value, details->paDetails, 4);
  log_.Add("mixerSetControlDetails id=" + std::to_string(details->dwControlID) + " value=" + std::to_string(value) +
           " flags=" + std::to_string(flags));
  written.push_back(value);
  script.value = static_cast<std::uint32_t>(value);
  return 0;
}

std::int32_t FakeVersion::RtlGetVersion(platform::OsVersionInfoExW* info) {
  log_.Add("RtlGetVersion");
  if (missing) throw platform::Failure("Can't find DLL entry point RtlGetVersion in ntdll");
  sizeSeen = info->dwOSVersionInfoSize;
  if (status != 0) return status;
  const auto size = info->dwOSVersionInfoSize;
  *info = answer;
  info->dwOSVersionInfoSize = size;
  return 0;
}

FakePlatform::FakePlatform() {
  VolumeSet::MixerHandle = 0;
  VolumeSet::SpeakerVolumeControl = {};
  WinVersion::WindowsMajorVersion = 0;
}

}  // namespace hush::fake
