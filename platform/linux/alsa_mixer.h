#pragma once
#include <map>
#include <memory>

#include "platform/linux/alsa_simple_mixer.h"
#include "platform/mixer.h"

namespace hush::platform::linux_backend {

// The mixer service on ALSA: device 0 is "default", the speakers line its "Master" playback element,
// whose volume is presented on a 0..65535 scale.
class AlsaMixer : public IMixer {
 public:
  static constexpr std::uint32_t kSpeakersLineId = 0xFFFF0000u;
  static constexpr std::uint32_t kVolumeControlId = 1;
  static constexpr std::int32_t kScaleMax = 65535;

  explicit AlsaMixer(std::string device0 = "default") : device0_(std::move(device0)) {}
  MmResult mixerOpen(MixerHandle32* handle, std::uint32_t deviceId, std::uintptr_t callback, std::uintptr_t instance,
                     std::uint32_t fdwOpen) override;
  MmResult mixerClose(MixerHandle32 handle) override;
  MmResult mixerGetLineInfoA(MixerHandle32 handle, MixerLine* line, std::uint32_t flags) override;
  MmResult mixerGetLineControlsA(MixerHandle32 handle, MixerLineControls* controls, std::uint32_t flags) override;
  MmResult mixerGetControlDetailsA(MixerHandle32 handle, MixerControlDetails* details, std::uint32_t flags) override;
  MmResult mixerSetControlDetails(MixerHandle32 handle, MixerControlDetails* details, std::uint32_t flags) override;

  std::size_t OpenHandles() const { return open_.size(); }

 private:
  snd_mixer_elem_t* Master(MixerHandle32 handle) const;

  std::string device0_;
  std::map<MixerHandle32, std::unique_ptr<AlsaSimpleMixer>> open_;
  MixerHandle32 next_ = 0;
};

}  // namespace hush::platform::linux_backend
