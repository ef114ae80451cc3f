#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "platform/window_system.h"

namespace hush::platform::linux_backend {

// Which running copy of the program holds a combination, where the desktop keeps the shortcut for
// the program (GNOME's settings, sway's bindings, the portal): a second copy must find the first's
// combinations taken, as on Windows and X11, and must never take or remove them. A claim is a lock
// on a file of the combination's own in the user's runtime folder; the kernel drops it when its
// copy ends however it ends, so what a killed copy left is told from what a live one holds.
class ShortcutClaims {
 public:
  // folder: where the claims lie; "" for the user's own (the runtime folder, else a folder of the
  // user's in /tmp). Where no folder can be had, every claim succeeds, as before claims existed.
  explicit ShortcutClaims(std::string folder = "");
  ~ShortcutClaims();
  ShortcutClaims(const ShortcutClaims&) = delete;
  ShortcutClaims& operator=(const ShortcutClaims&) = delete;

  // "ctrl-shift-q" for Ctrl+Shift+Q.
  static std::string Name(std::uint32_t modifiers, std::uint32_t vk);
  // Takes the combination for this copy; false when another running copy holds it.
  bool Claim(const std::string& name);
  // Gives it up; its file goes.
  void Release(const std::string& name);
  // Whether another running copy holds it (a claim of this object's own does not count). Asks
  // without taking it, so a copy claiming at the same moment is never refused for it.
  bool HeldElsewhere(const std::string& name) const;

 private:
  std::string Path(const std::string& name) const;

  std::string folder_;
  std::map<std::string, int> held_;  // name -> the locked file
};

// A shortcut service whose combinations are claimed first: one another copy holds is refused as
// taken, and each is given up when its shortcut is.
class ClaimedHotkeys : public IHotkeys {
 public:
  ClaimedHotkeys(IHotkeys& inner, ShortcutClaims& claims) : inner_(inner), claims_(claims) {}
  bool RegisterHotKey(WindowHandle window, std::int32_t id, std::uint32_t modifiers, std::uint32_t vk) override;
  bool UnregisterHotKey(WindowHandle window, std::int32_t id) override;
  // The end of the program, once the desktop has let the shortcuts go: nothing of the claims stays.
  void ReleaseAll();

 private:
  IHotkeys& inner_;
  ShortcutClaims& claims_;
  std::map<std::pair<WindowHandle, std::int32_t>, std::string> claimed_;
};

}  // namespace hush::platform::linux_backend
