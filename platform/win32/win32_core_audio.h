#pragma once
#include "platform/core_audio.h"

namespace hush::platform::win32 {

// Core Audio through COM. The calling thread must be in a single-threaded apartment.
class Win32CoreAudio : public ICoreAudio {
 public:
  std::unique_ptr<IMMDeviceEnumerator> CreateDeviceEnumerator() override;
};

}  // namespace hush::platform::win32
