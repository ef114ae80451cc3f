#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
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
  // Whether claims can be had here at all; where not, nothing can be told another copy's.
  bool Usable() const { return !folder_.empty(); }

  // The desktop's shared list of shortcuts (GNOME's) is read and written by one copy at a time:
  // held while it lives (a lock on the claims' folder itself, so nothing is left of it).
  class Turn {
   public:
    explicit Turn(int fd) : fd_(fd) {}
    ~Turn();
    Turn(Turn&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Turn(const Turn&) = delete;
    Turn& operator=(const Turn&) = delete;
    Turn& operator=(Turn&&) = delete;

   private:
    int fd_;
  };
  Turn TakeTurn() const;

 private:
  std::string Path(const std::string& name) const;

  std::string folder_;
  std::map<std::string, int> held_;  // name -> the locked file
};

// A shortcut service whose combinations are claimed first: one another copy holds is refused as
// taken, and each is given up when its shortcut is. The end may come from another thread (Qt
// reports a broken display from its event thread): it takes the same lock, and after it nothing
// is registered any more.
class ClaimedHotkeys : public IHotkeys {
 public:
  ClaimedHotkeys(IHotkeys& inner, ShortcutClaims& claims) : inner_(inner), claims_(claims) {}
  bool RegisterHotKey(WindowHandle window, std::int32_t id, std::uint32_t modifiers, std::uint32_t vk) override;
  bool UnregisterHotKey(WindowHandle window, std::int32_t id) override;
  // The end of the program, once: removeAll takes what the desktop keeps away, then nothing of the
  // claims stays.
  void End(const std::function<void()>& removeAll);

 private:
  std::mutex mutex_;
  bool ended_ = false;
  IHotkeys& inner_;
  ShortcutClaims& claims_;
  std::map<std::pair<WindowHandle, std::int32_t>, std::string> claimed_;
};

}  // namespace hush::platform::linux_backend
