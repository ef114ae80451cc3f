#include "platform/win32/win32_mixer.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstddef>
#include <cstring>

namespace hush::platform::win32 {

// The SDK's records as each build lays them out. The 32-bit ones are the layouts Hushdial's own
// records follow; the 64-bit ones grow by their pointer-sized fields, which the copies here absorb.
#ifdef _WIN64
static_assert(sizeof(MIXERLINEA) == 172 && sizeof(MIXERLINECONTROLSA) == 28 && sizeof(MIXERCONTROLDETAILS) == 32);
#else
static_assert(sizeof(MIXERLINEA) == sizeof(MixerLine) && sizeof(MIXERLINEA) == 168);
static_assert(sizeof(MIXERLINECONTROLSA) == 24 && sizeof(MIXERCONTROLDETAILS) == 24);
static_assert(offsetof(MIXERCONTROLDETAILS, paDetails) == 20);
#endif
static_assert(sizeof(MIXERCONTROLA) == 148 && sizeof(MIXERCONTROLDETAILS_UNSIGNED) == 4);

namespace {
template <std::size_t N, std::size_t M>
void CopyText(char (&to)[N], const char (&from)[M]) {
  static_assert(N > 0 && M > 0);
  const std::size_t n = (N < M ? N : M) - 1;
  std::memcpy(to, from, n);
  to[n] = '\0';
}
}  // namespace

Win32Mixer::~Win32Mixer() {
  for (auto& [id, native] : open_) ::mixerClose(static_cast<HMIXER>(native));
}

void* Win32Mixer::Native(MixerHandle32 handle) const {
  const auto it = open_.find(handle);
  return it == open_.end() ? nullptr : it->second;
}

MmResult Win32Mixer::mixerOpen(MixerHandle32* handle, std::uint32_t deviceId, std::uintptr_t callback,
                               std::uintptr_t instance, std::uint32_t fdwOpen) {
  if (!handle) return MMSYSERR_INVALPARAM;
  HMIXER native = nullptr;
  const MMRESULT result = ::mixerOpen(&native, deviceId, callback, instance, fdwOpen);
  if (result != MMSYSERR_NOERROR) return result;
  do {
    ++next_;
  } while (next_ == 0 || open_.count(next_));
  open_[next_] = native;
  *handle = next_;
  return MMSYSERR_NOERROR;
}

MmResult Win32Mixer::mixerClose(MixerHandle32 handle) {
  const auto it = open_.find(handle);
  if (it == open_.end()) return MMSYSERR_INVALHANDLE;
  const MMRESULT result = ::mixerClose(static_cast<HMIXER>(it->second));
  open_.erase(it);
  return result;
}

MmResult Win32Mixer::mixerGetLineInfoA(MixerHandle32 handle, MixerLine* line, std::uint32_t flags) {
  void* native = Native(handle);
  if (!native) return MMSYSERR_INVALHANDLE;
  if (!line || line->cbStruct < sizeof(MixerLine)) return MMSYSERR_INVALPARAM;
  MIXERLINEA sdk{};
  sdk.cbStruct = sizeof sdk;
  sdk.dwDestination = line->dwDestination;
  sdk.dwSource = line->dwSource;
  sdk.dwLineID = line->dwLineID;
  sdk.dwComponentType = line->dwComponentType;
  sdk.Target.dwType = line->dwType;
  const MMRESULT result = ::mixerGetLineInfoA(reinterpret_cast<HMIXEROBJ>(native), &sdk, flags | MIXER_OBJECTF_HMIXER);
  if (result != MMSYSERR_NOERROR) return result;
  line->dwDestination = sdk.dwDestination;
  line->dwSource = sdk.dwSource;
  line->dwLineID = sdk.dwLineID;
  line->fdwLine = sdk.fdwLine;
  line->dwUser = static_cast<std::uint32_t>(sdk.dwUser);
  line->dwComponentType = sdk.dwComponentType;
  line->cChannels = sdk.cChannels;
  line->cConnections = sdk.cConnections;
  line->cControls = sdk.cControls;
  CopyText(line->szShortName, sdk.szShortName);
  CopyText(line->szName, sdk.szName);
  line->dwType = sdk.Target.dwType;
  line->dwDeviceID = sdk.Target.dwDeviceID;
  line->wMid = sdk.Target.wMid;
  line->wPid = sdk.Target.wPid;
  line->vDriverVersion = sdk.Target.vDriverVersion;
  CopyText(line->szPname, sdk.Target.szPname);
  return MMSYSERR_NOERROR;
}

MmResult Win32Mixer::mixerGetLineControlsA(MixerHandle32 handle, MixerLineControls* controls, std::uint32_t flags) {
  void* native = Native(handle);
  if (!native) return MMSYSERR_INVALHANDLE;
  if (!controls || !controls->pamxctrl || controls->cControls != 1 || controls->cbmxctrl < sizeof(MixerControl))
    return MMSYSERR_INVALPARAM;
  MIXERCONTROLA control{};
  control.cbStruct = sizeof control;
  MIXERLINECONTROLSA sdk{};
  sdk.cbStruct = sizeof sdk;
  sdk.dwLineID = controls->dwLineID;
  sdk.dwControlType = controls->dwControlType;
  sdk.cControls = 1;
  sdk.cbmxctrl = sizeof control;
  sdk.pamxctrl = &control;
  const MMRESULT result =
      ::mixerGetLineControlsA(reinterpret_cast<HMIXEROBJ>(native), &sdk, flags | MIXER_OBJECTF_HMIXER);
  if (result != MMSYSERR_NOERROR) return result;
  MixerControl out{};
  out.cbStruct = sizeof out;
  out.dwControlID = control.dwControlID;
  out.dwControlType = control.dwControlType;
  out.fdwControl = control.fdwControl;
  out.cMultipleItems = control.cMultipleItems;
  CopyText(out.szShortName, control.szShortName);
  CopyText(out.szName, control.szName);
  out.lMinimum = control.Bounds.lMinimum;
  out.lMaximum = control.Bounds.lMaximum;
  std::memcpy(controls->pamxctrl, &out, sizeof out);
  return MMSYSERR_NOERROR;
}

namespace {
MmResult Details(void* native, MixerControlDetails* details, std::uint32_t flags, bool set) {
  if (!native) return MMSYSERR_INVALHANDLE;
  if (!details || !details->paDetails || details->cbDetails < sizeof(DWORD)) return MMSYSERR_INVALPARAM;
  MIXERCONTROLDETAILS sdk{};
  sdk.cbStruct = sizeof sdk;
  sdk.dwControlID = details->dwControlID;
  sdk.cChannels = details->cChannels;
  sdk.cMultipleItems = details->cMultipleItems;
  sdk.cbDetails = details->cbDetails;
  sdk.paDetails = details->paDetails;
  const auto object = reinterpret_cast<HMIXEROBJ>(native);
  return set ? ::mixerSetControlDetails(object, &sdk, flags | MIXER_OBJECTF_HMIXER)
             : ::mixerGetControlDetailsA(object, &sdk, flags | MIXER_OBJECTF_HMIXER);
}
}  // namespace

MmResult Win32Mixer::mixerGetControlDetailsA(MixerHandle32 handle, MixerControlDetails* details, std::uint32_t flags) {
  return Details(Native(handle), details, flags, false);
}

MmResult Win32Mixer::mixerSetControlDetails(MixerHandle32 handle, MixerControlDetails* details, std::uint32_t flags) {
  return Details(Native(handle), details, flags, true);
}

}  // namespace hush::platform::win32
