#pragma once
#include "platform/linux/alsa_mixer.h"
#include "platform/linux/linux_message_box.h"
#include "platform/linux/linux_version.h"
#include "platform/linux/pulse_core_audio.h"
#include "platform/platform.h"

namespace hush::platform::linux_backend {

// The real Linux services, wired together.
struct LinuxPlatform {
  QtMessageBox box;
  LinuxCoreAudio audio;
  AlsaMixer mixer;
  UnameVersion version;
  Platform platform{box, audio, mixer, version};
};

}  // namespace hush::platform::linux_backend
