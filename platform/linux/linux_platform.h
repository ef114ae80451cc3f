#pragma once
#include "platform/linux/alsa_mixer.h"
#include "platform/linux/ini_settings.h"
#include "platform/linux/linux_files.h"
#include "platform/linux/linux_message_box.h"
#include "platform/linux/linux_version.h"
#include "platform/linux/process_atoms.h"
#include "platform/linux/portal_hotkeys.h"
#include "platform/linux/pulse_core_audio.h"
#include "platform/linux/qt_tray.h"
#include "platform/linux/qt_window.h"
#include "platform/linux/x11_hotkeys.h"
#include "platform/linux/xdg_registry.h"
#include "platform/platform.h"

namespace hush::platform::linux_backend {

// The real Linux services, wired together. Shortcuts come through X11 grabs, or through the desktop
// portal when the composition point chose it for a Wayland session.
struct LinuxPlatform {
  LinuxPlatform() : LinuxPlatform(false, {}) {}
  LinuxPlatform(bool portal, PortalHotkeys::Namer namer)
      : portalHotkeys(std::move(namer)),
        platform{box,
                 audio,
                 mixer,
                 version,
                 atoms,
                 portal ? static_cast<IHotkeys&>(portalHotkeys) : hotkeys,
                 portal ? static_cast<IMessageLoop&>(portalHotkeys) : hotkeys,
                 timer,
                 window,
                 settings,
                 registry,
                 files,
                 tray,
                 clock,
                 codepage,
                 pictures} {}
  QtMessageBox box;
  LinuxCoreAudio audio;
  AlsaMixer mixer;
  UnameVersion version;
  ProcessAtoms atoms;
  X11Hotkeys hotkeys;
  PortalHotkeys portalHotkeys;
  QtTimerService timer;
  QtMainWindow window;
  IniSettings settings;
  XdgRegistry registry;
  LinuxFiles files;
  QtTray tray;
  QtClock clock;
  Utf8CodePage codepage;
  QtPictures pictures;
  Platform platform;
};

}  // namespace hush::platform::linux_backend
