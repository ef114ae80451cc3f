#include "platform/linux/alsa_mixer.h"

#include <cmath>
#include <cstring>

namespace hush::platform::linux_backend {

namespace {
void CopyName(char* out, std::size_t size, const char* text) {
  std::strncpy(out, text, size - 1);
  out[size - 1] = '\0';
}
}  // namespace

MmResult AlsaMixer::mixerOpen(MixerHandle32* handle, std::uint32_t deviceId, std::uintptr_t, std::uintptr_t,
                              std::uint32_t) {
  if (!handle) return kMmSysErrInvalParam;
  if (deviceId != 0) return kMmSysErrBadDeviceId;
  auto mixer = AlsaSimpleMixer::Open(device0_);
  if (!mixer) return kMmSysErrBadDeviceId;
  do {
    ++next_;
  } while (next_ == 0 || open_.count(next_));
  open_[next_] = std::move(mixer);
  *handle = next_;
  return kMmSysErrNoError;
}

MmResult AlsaMixer::mixerClose(MixerHandle32 handle) {
  return open_.erase(handle) ? kMmSysErrNoError : kMmSysErrInvalHandle;
}

snd_mixer_elem_t* AlsaMixer::Master(MixerHandle32 handle) const {
  const auto it = open_.find(handle);
  return it == open_.end() ? nullptr : it->second->FindPlaybackVolume("Master");
}

MmResult AlsaMixer::mixerGetLineInfoA(MixerHandle32 handle, MixerLine* line, std::uint32_t flags) {
  if (!open_.count(handle)) return kMmSysErrInvalHandle;
  if (!line || line->cbStruct < sizeof(MixerLine) || flags != kMixerGetLineInfoComponentType)
    return kMmSysErrInvalParam;
  snd_mixer_elem_t* master = Master(handle);
  if (line->dwComponentType != kMixerLineComponentTypeDstSpeakers || !master) return kMixerErrInvalLine;
  line->dwDestination = 0;
  line->dwLineID = kSpeakersLineId;
  line->cChannels = snd_mixer_selem_is_playback_mono(master) ? 1 : 2;
  line->cControls = 1;
  CopyName(line->szShortName, sizeof line->szShortName, "Master");
  CopyName(line->szName, sizeof line->szName, "Master");
  CopyName(line->szPname, sizeof line->szPname, device0_.c_str());
  return kMmSysErrNoError;
}

MmResult AlsaMixer::mixerGetLineControlsA(MixerHandle32 handle, MixerLineControls* controls, std::uint32_t flags) {
  if (!open_.count(handle)) return kMmSysErrInvalHandle;
  if (!controls || !controls->pamxctrl || controls->cbmxctrl < sizeof(MixerControl) ||
      flags != kMixerGetLineControlsOneByType)
    return kMmSysErrInvalParam;
  if (controls->dwLineID != kSpeakersLineId || !Master(handle)) return kMixerErrInvalLine;
  if (controls->dwControlType != kMixerControlTypeVolume) return kMixerErrInvalControl;
  MixerControl control{};
  control.cbStruct = sizeof control;
  control.dwControlID = kVolumeControlId;
  control.dwControlType = kMixerControlTypeVolume;
  control.lMinimum = 0;
  control.lMaximum = kScaleMax;
  CopyName(control.szShortName, sizeof control.szShortName, "Volume");
  CopyName(control.szName, sizeof control.szName, "Master Volume");
  std::memcpy(controls->pamxctrl, &control, sizeof control);
  return kMmSysErrNoError;
}

MmResult AlsaMixer::mixerGetControlDetailsA(MixerHandle32 handle, MixerControlDetails* details, std::uint32_t flags) {
  if (!open_.count(handle)) return kMmSysErrInvalHandle;
  if (!details || !details->paDetails || details->cbDetails < 4 || flags != kMixerGetControlDetailsValue)
    return kMmSysErrInvalParam;
  snd_mixer_elem_t* master = Master(handle);
  if (details->dwControlID != kVolumeControlId || !master) return kMixerErrInvalControl;
  AlsaSimpleMixer::Range range;
  long raw = 0;
  if (!AlsaSimpleMixer::PlaybackRange(master, &range) || !AlsaSimpleMixer::ReadPlayback(master, &raw))
    return kMixerErrInvalControl;
  // Above the element's range (a sink over 100 %) reads as above 65535, as the element reports it.
  const double scaled = std::nearbyint(static_cast<double>(raw - range.min) * kScaleMax /
                                       static_cast<double>(range.max - range.min));
  const auto value = static_cast<std::uint32_t>(scaled < 0 ? 0 : scaled);
  std::memcpy(details->paDetails, &value, sizeof value);
  return kMmSysErrNoError;
}

MmResult AlsaMixer::mixerSetControlDetails(MixerHandle32 handle, MixerControlDetails* details, std::uint32_t flags) {
  if (!open_.count(handle)) return kMmSysErrInvalHandle;
  if (!details || !details->paDetails || details->cbDetails < 4 || flags != kMixerSetControlDetailsValue)
    return kMmSysErrInvalParam;
  snd_mixer_elem_t* master = Master(handle);
  if (details->dwControlID != kVolumeControlId || !master) return kMixerErrInvalControl;
  std::uint32_t value = 0;
  std::memcpy(&value, details->paDetails, sizeof value);
  if (value > static_cast<std::uint32_t>(kScaleMax)) value = kScaleMax;  // as a Windows mixer does
  AlsaSimpleMixer::Range range;
  if (!AlsaSimpleMixer::PlaybackRange(master, &range)) return kMixerErrInvalControl;
  const long raw = range.min + std::lround(static_cast<double>(value) * static_cast<double>(range.max - range.min) /
                                           kScaleMax);
  return AlsaSimpleMixer::WritePlaybackAll(master, raw) ? kMmSysErrNoError : kMixerErrInvalControl;
}

}  // namespace hush::platform::linux_backend
