#pragma once
#include "platform/core_audio.h"

namespace hush::mCoreAudio {

// Built once on first use with BuildGuid, handed out as a copy.
platform::Guid IID_IAudioEndpointVolume();

// The other published identifiers of the endpoint path, for the backends that need them.
platform::Guid CLSID_MMDeviceEnumerator();
platform::Guid IID_IMMDeviceEnumerator();
platform::Guid IID_IAudioEndpointVolumeCallback();

}  // namespace hush::mCoreAudio
