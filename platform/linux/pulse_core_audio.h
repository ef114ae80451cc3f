#pragma once
#include <memory>
#include <string>

#include "platform/core_audio.h"

namespace hush::platform::linux_backend {

class PulseConnection;

// The endpoint service on Linux: the PulseAudio (or PipeWire-pulse) default sink, or, when no sound
// server answers, the default ALSA card's Master element. One server connection is kept for the run
// and made again when the server went away; the step's own objects are made and released per step.
class LinuxCoreAudio : public ICoreAudio {
 public:
  // alsaFallback: the control device whose Master serves when no server answers ("" for none).
  explicit LinuxCoreAudio(std::string alsaFallback = "sysdefault");
  // withoutLoop: as when the sound library can't make or start its event thread; the service then
  // acts as with no sound server. followChanges: false for a single step (the command line), which
  // has no use for the server's change events.
  LinuxCoreAudio(std::string alsaFallback, bool withoutLoop, bool followChanges = true);
  ~LinuxCoreAudio() override;
  std::unique_ptr<IMMDeviceEnumerator> CreateDeviceEnumerator() override;

 private:
  std::shared_ptr<PulseConnection> pulse_;
  std::string alsaFallback_;
};

}  // namespace hush::platform::linux_backend
