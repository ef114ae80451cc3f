#pragma once
#include <memory>
#include <set>
#include <string>

#include "platform/linux/alsa_simple_mixer.h"
#include "platform/mixer.h"

namespace hush::platform::linux_backend {

// The mixer service on ALSA: device 0 is "default", the speakers line its "Master" playback element,
// whose volume is presented on the element's own raw range. One ALSA mixer is kept open for the run
// behind every handle: opening it each step costs a sound-server connection through ALSA's pulse
// plugin. Reads and writes go to the control itself, so they see the value of now; the mixer is opened
// again once the card or the server went away.
class AlsaMixer : public IMixer {
 public:
  static constexpr std::uint32_t kSpeakersLineId = 0xFFFF0000u;
  static constexpr std::uint32_t kVolumeControlId = 1;

  explicit AlsaMixer(std::string device0 = "default") : device0_(std::move(device0)) {}
  MmResult mixerOpen(MixerHandle32* handle, std::uint32_t deviceId, std::uintptr_t callback, std::uintptr_t instance,
                     std::uint32_t fdwOpen) override;
  MmResult mixerClose(MixerHandle32 handle) override;
  MmResult mixerGetLineInfoA(MixerHandle32 handle, MixerLine* line, std::uint32_t flags) override;
  MmResult mixerGetLineControlsA(MixerHandle32 handle, MixerLineControls* controls, std::uint32_t flags) override;
  MmResult mixerGetControlDetailsA(MixerHandle32 handle, MixerControlDetails* details, std::uint32_t flags) override;
  MmResult mixerSetControlDetails(MixerHandle32 handle, MixerControlDetails* details, std::uint32_t flags) override;

  std::size_t OpenHandles() const { return open_.size(); }
  // How often the ALSA mixer was opened in this run.
  int AlsaOpens() const { return alsaOpens_; }

 private:
  // The kept mixer's Master element, opening the mixer when there is none or it no longer answers.
  snd_mixer_elem_t* Master();
  snd_mixer_elem_t* Reopened();
  // The Master control's value of now, and every channel written; a failure opens the mixer again
  // (the card or the server went away) and tries once more.
  bool ReadMaster(long* raw);
  bool WriteMaster(long raw, const AlsaSimpleMixer::Range& range);
  static constexpr const char* kMasterControl = "Master Playback Volume";

  std::string device0_;
  std::unique_ptr<AlsaSimpleMixer> kept_;
  int alsaOpens_ = 0;
  std::set<MixerHandle32> open_;
  MixerHandle32 next_ = 0;
};

}  // namespace hush::platform::linux_backend
