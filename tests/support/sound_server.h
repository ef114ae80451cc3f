#pragma once
// Stops and starts the whole private sound server that tools/test runs (PulseAudio, or PipeWire with
// its session manager and pulse server), through the same functions that started it.
#include <cstdlib>
#include <string>

#include "tests/support/pactl.h"

namespace hush::test {

inline bool CanRestartSoundServer() { return HaveTestServer() && std::getenv("HUSHDIAL_SERVICES_DIR") != nullptr; }

inline bool SoundServerCall(const std::string& function) {
  const std::string command = "bash -c \". '" HUSH_SOURCE_DIR "/tools/services.sh' && " + function + "\" >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

// True only once nothing answers any more: a stop that left the server up would test nothing.
inline bool StopSoundServer() { return SoundServerCall("hush_stop_sound && ! pactl info"); }
inline bool StartSoundServer() { return SoundServerCall("hush_start_sound"); }

}  // namespace hush::test
