#include "platform/linux/alsa_mixer.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace hush::platform::linux_backend {

namespace {
void CopyName(char* out, std::size_t size, const char* text) {
  std::strncpy(out, text, size - 1);
  out[size - 1] = '\0';
}

std::int32_t ToInt32(long value) { return static_cast<std::int32_t>(std::clamp<long>(value, INT32_MIN, INT32_MAX)); }
}  // namespace

snd_mixer_elem_t* AlsaMixer::Reopened() {
  kept_ = AlsaSimpleMixer::Open(device0_);
  ++alsaOpens_;
  return kept_ ? kept_->FindPlaybackVolume("Master") : nullptr;
}

snd_mixer_elem_t* AlsaMixer::Master() {
  if (!kept_) return Reopened();
  if (snd_mixer_elem_t* master = kept_->FindPlaybackVolume("Master")) return master;
  return Reopened();  // the card changed under us
}

bool AlsaMixer::ReadMaster(long* raw) {
  if (kept_ && kept_->ReadControl(kMasterControl, raw)) return true;
  // The card or the server went away since, or the card names its control otherwise.
  snd_mixer_elem_t* master = Reopened();
  if (!master) return false;
  if (kept_->ReadControl(kMasterControl, raw)) return true;
  return AlsaSimpleMixer::ReadPlayback(master, raw);
}

bool AlsaMixer::WriteMaster(long raw, const AlsaSimpleMixer::Range& range) {
  if (kept_ && kept_->WriteControlAll(kMasterControl, raw)) return true;
  snd_mixer_elem_t* master = Reopened();
  if (!master) return false;
  if (kept_->WriteControlAll(kMasterControl, raw)) return true;
  // The simple mixer drops a value over the maximum without a word.
  return raw <= range.max && AlsaSimpleMixer::WritePlaybackAll(master, raw);
}

MmResult AlsaMixer::mixerOpen(MixerHandle32* handle, std::uint32_t deviceId, std::uintptr_t, std::uintptr_t,
                              std::uint32_t) {
  if (!handle) return kMmSysErrInvalParam;
  if (deviceId != 0) return kMmSysErrBadDeviceId;
  if (!kept_) Reopened();
  if (!kept_) return kMmSysErrBadDeviceId;
  do {
    ++next_;
  } while (next_ == 0 || open_.count(next_));
  open_.insert(next_);
  *handle = next_;
  return kMmSysErrNoError;
}

MmResult AlsaMixer::mixerClose(MixerHandle32 handle) {
  return open_.erase(handle) ? kMmSysErrNoError : kMmSysErrInvalHandle;
}

MmResult AlsaMixer::mixerGetLineInfoA(MixerHandle32 handle, MixerLine* line, std::uint32_t flags) {
  if (!open_.count(handle)) return kMmSysErrInvalHandle;
  if (!line || line->cbStruct < sizeof(MixerLine) || flags != kMixerGetLineInfoComponentType)
    return kMmSysErrInvalParam;
  snd_mixer_elem_t* master = line->dwComponentType == kMixerLineComponentTypeDstSpeakers ? Master() : nullptr;
  if (!master) return kMixerErrInvalLine;
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
  snd_mixer_elem_t* master = controls->dwLineID == kSpeakersLineId ? Master() : nullptr;
  if (!master) return kMixerErrInvalLine;
  if (controls->dwControlType != kMixerControlTypeVolume) return kMixerErrInvalControl;
  AlsaSimpleMixer::Range range;
  if (!AlsaSimpleMixer::PlaybackRange(master, &range)) return kMixerErrInvalControl;
  MixerControl control{};
  control.cbStruct = sizeof control;
  control.dwControlID = kVolumeControlId;
  control.dwControlType = kMixerControlTypeVolume;
  // The element's own raw range, so that a step on a control of few positions still moves one.
  control.lMinimum = ToInt32(range.min);
  control.lMaximum = ToInt32(range.max);
  CopyName(control.szShortName, sizeof control.szShortName, "Volume");
  CopyName(control.szName, sizeof control.szName, "Master Volume");
  std::memcpy(controls->pamxctrl, &control, sizeof control);
  return kMmSysErrNoError;
}

MmResult AlsaMixer::mixerGetControlDetailsA(MixerHandle32 handle, MixerControlDetails* details, std::uint32_t flags) {
  if (!open_.count(handle)) return kMmSysErrInvalHandle;
  if (!details || !details->paDetails || details->cbDetails < 4 || flags != kMixerGetControlDetailsValue)
    return kMmSysErrInvalParam;
  long raw = 0;
  if (details->dwControlID != kVolumeControlId || !ReadMaster(&raw)) return kMixerErrInvalControl;
  // Above the range (a sink over 100 %) reads as above the maximum, as the element reports it.
  const std::uint32_t value = static_cast<std::uint32_t>(ToInt32(raw));
  std::memcpy(details->paDetails, &value, sizeof value);
  return kMmSysErrNoError;
}

MmResult AlsaMixer::mixerSetControlDetails(MixerHandle32 handle, MixerControlDetails* details, std::uint32_t flags) {
  if (!open_.count(handle)) return kMmSysErrInvalHandle;
  if (!details || !details->paDetails || details->cbDetails < 4 || flags != kMixerSetControlDetailsValue)
    return kMmSysErrInvalParam;
  snd_mixer_elem_t* master = details->dwControlID == kVolumeControlId ? Master() : nullptr;
  if (!master) return kMixerErrInvalControl;
  std::int32_t value = 0;
  std::memcpy(&value, details->paDetails, sizeof value);
  AlsaSimpleMixer::Range range;
  if (!AlsaSimpleMixer::PlaybackRange(master, &range)) return kMixerErrInvalControl;
  value = std::max<std::int32_t>(value, ToInt32(range.min));
  // Over the maximum only a sound server's sink can go, and it takes it.
  return WriteMaster(value, range) ? kMmSysErrNoError : kMixerErrInvalControl;
}

}  // namespace hush::platform::linux_backend
