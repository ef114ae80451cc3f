#pragma once
#include "platform/core_audio.h"

namespace hush {

// The step's notification sink. Nothing depends on the notifications; it only has to be there.
class cAEndpointVolClb final : public platform::IAudioEndpointVolumeCallback {
 public:
  platform::HResult OnNotify(const void* notify) override { return IAudioEndpointVolumeCallback_OnNotify(notify); }
  platform::HResult IAudioEndpointVolumeCallback_OnNotify(const void* notify);
};

}  // namespace hush
