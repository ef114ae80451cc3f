#pragma once
#include "platform/platform.h"
#include "platform/win32/win32_core_audio.h"
#include "platform/win32/win32_message_box.h"
#include "platform/win32/win32_mixer.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_tray.h"
#include "platform/win32/win32_version.h"
#include "platform/win32/win32_window_system.h"

namespace hush::platform::win32 {

// Puts the constructing (user-interface) thread into a single-threaded COM apartment for its life.
class ComApartment {
 public:
  ComApartment();
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialised_ = false;
};

// The real Win32 services, wired together; COM is ready before any volume step can run.
struct Win32Platform {
  ComApartment apartment;
  Win32MessageBox box;
  Win32CoreAudio audio;
  Win32Mixer mixer;
  Win32Version version;
  Win32Atoms atoms;
  Win32Hotkeys hotkeys;
  Win32MessageLoop messages;
  Win32Timer timer;
  Win32MainWindow window;
  Win32Settings settings;
  Win32Registry registry;
  Win32Files files;
  Win32Tray tray;
  Win32Clock clock;
  Win32CodePage codepage;
  Win32Pictures pictures;
  Platform platform{box,    audio,    mixer,    version, atoms, hotkeys, messages, timer,
                    window, settings, registry, files,   tray,  clock,   codepage, pictures};
};

}  // namespace hush::platform::win32
