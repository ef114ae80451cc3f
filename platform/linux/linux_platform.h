#pragma once
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/linux/alsa_mixer.h"
#include "platform/linux/gnome_hotkeys.h"
#include "platform/linux/ini_settings.h"
#include "platform/linux/linux_files.h"
#include "platform/linux/linux_message_box.h"
#include "platform/linux/linux_version.h"
#include "platform/linux/process_atoms.h"
#include "platform/linux/portal_hotkeys.h"
#include "platform/linux/pulse_core_audio.h"
#include "platform/linux/qt_tray.h"
#include "platform/linux/qt_window.h"
#include "platform/linux/runtime_folder.h"
#include "platform/linux/shortcut_claims.h"
#include "platform/linux/sway_hotkeys.h"
#include "platform/linux/x11_hotkeys.h"
#include "platform/linux/xdg_registry.h"
#include "platform/platform.h"

namespace hush::platform::linux_backend {

// How the shortcuts are made: X11 grabs (X11, and XWayland under a Wayland desktop that offers
// nothing better), the desktop portal, GNOME's custom shortcuts, or sway's run-time bindings.
enum class ShortcutWay { X11, Portal, Gnome, Sway };

// The real Linux services, wired together; the composition point chooses the shortcuts' way.
struct LinuxPlatform {
  LinuxPlatform() : LinuxPlatform(ShortcutWay::X11, {}, {}) {}
  // program: the absolute path of this program, which a desktop runs for a press (GNOME, sway).
  LinuxPlatform(ShortcutWay way, ShortcutNamer namer, const std::string& program)
      : pressed_(way == ShortcutWay::Gnome || way == ShortcutWay::Sway ? program : "", RuntimeFolder()),
        portalHotkeys(namer),
        gnomeHotkeys(way == ShortcutWay::Gnome ? std::make_unique<GnomeHotkeys>(namer, pressed_.Path(), &claims) : nullptr),
        swayHotkeys(way == ShortcutWay::Sway ? std::make_unique<SwayHotkeys>(namer, pressed_.Path(), SwaySocket()) : nullptr),
        claimed(Chosen<IHotkeys>(way), claims),
        platform{box,      audio,    mixer,    version,  atoms, Shortcuts(way), Presses(way),
                 timer,    window,   settings, registry, files, tray,           clock,
                 codepage, pictures} {}

  // Takes the shortcuts away where the desktop keeps them beyond the program (GNOME's settings, sway's
  // bindings): at the end of the program, also when it ends on a signal or its display goes away.
  // Once, from whichever thread comes first; what comes after waits for it.
  void RemoveShortcuts() {
    claimed.End([this] {
      if (gnomeHotkeys) gnomeHotkeys->RemoveAll();
      if (swayHotkeys) swayHotkeys->RemoveAll();
      pressed_.Remove();
    });
  }

  static std::string SwaySocket() {
    const char* socket = std::getenv("SWAYSOCK");
    return socket ? socket : "";
  }
  // Each way's service both takes the shortcuts and delivers their presses.
  template <typename Service>
  Service& Chosen(ShortcutWay way) {
    switch (way) {
      case ShortcutWay::Portal: return portalHotkeys;
      case ShortcutWay::Gnome: return *gnomeHotkeys;
      case ShortcutWay::Sway: return *swayHotkeys;
      case ShortcutWay::X11: break;
    }
    return hotkeys;
  }
  // Where the desktop keeps the shortcuts for the program, a second copy must find the first's taken.
  IHotkeys& Shortcuts(ShortcutWay way) { return way == ShortcutWay::X11 ? hotkeys : static_cast<IHotkeys&>(claimed); }
  IMessageLoop& Presses(ShortcutWay way) { return Chosen<IMessageLoop>(way); }

  PlainProgram pressed_;  // the path a press runs: the program's, or a plain link to it
  ShortcutClaims claims;  // before the services that use it, so it outlives their last removal
  QtMessageBox box;
  LinuxCoreAudio audio;
  AlsaMixer mixer;
  UnameVersion version;
  ProcessAtoms atoms;
  X11Hotkeys hotkeys;
  PortalHotkeys portalHotkeys;
  std::unique_ptr<GnomeHotkeys> gnomeHotkeys;
  std::unique_ptr<SwayHotkeys> swayHotkeys;
  ClaimedHotkeys claimed;
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
