#pragma once
#include <map>
#include <string>
#include <vector>

#include "platform/linux/hotkey_queue.h"
#include "platform/linux/shortcut_claims.h"
#include "platform/linux/shortcut_naming.h"

namespace hush::platform::linux_backend {

// Global shortcuts on a GNOME desktop whose portal has none (GNOME before 48 on Wayland): while the
// program runs, each shortcut is one of GNOME's custom shortcuts, which its settings daemon fires
// whatever window has the focus. A press runs this program with the step option, so it never
// reaches the pump. The entries are written through GSettings, under paths of the program's own,
// named by the combination each binds. Entries whose combination no running copy claims are what a
// killed run left, and are removed; another running copy's are left to it. The user's own custom
// shortcuts, and their order, are never touched. A combination one of them binds stays theirs: the
// shortcut is refused, as a key held by another program is.
class GnomeHotkeys : public IHotkeys, public HotkeyMessageQueue {
 public:
  static constexpr const char* kListSchema = "org.gnome.settings-daemon.plugins.media-keys";
  static constexpr const char* kEntrySchema = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
  static constexpr const char* kListKey = "custom-keybindings";
  static constexpr const char* kEntryBase = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";
  // Every entry of the program's own lies under a path starting so.
  static constexpr const char* kOwnPrefix = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/hushdial-";

  // program: the absolute path a press runs; claims: which combinations running copies hold (none:
  // every entry of ours not of this object is taken for a killed run's).
  GnomeHotkeys(ShortcutNamer namer, std::string program, const ShortcutClaims* claims = nullptr);
  ~GnomeHotkeys() override;
  GnomeHotkeys(const GnomeHotkeys&) = delete;
  GnomeHotkeys& operator=(const GnomeHotkeys&) = delete;

  // A GNOME desktop (XDG_CURRENT_DESKTOP names it) whose settings daemon takes custom shortcuts:
  // their settings are installed and its media-keys service is on the session bus.
  static bool Offered();
  // The running GNOME Shell's major version (43 for "43.9"); 0 when no shell answers.
  static int ShellMajorVersion();

  bool RegisterHotKey(WindowHandle window, std::int32_t id, std::uint32_t modifiers, std::uint32_t vk) override;
  bool UnregisterHotKey(WindowHandle window, std::int32_t id) override;

  // Takes this copy's entries and those a killed run left away (the end of the program, a signal included) and
  // waits until the settings store has them.
  void RemoveAll();

  // "<Control><Shift>q" for Ctrl+Shift+Q; the command a press runs, quoted for the desktop's parser.
  static std::string Binding(std::uint32_t modifiers, std::uint32_t vk);
  static std::string Command(const std::string& program, const std::string& option);
  // Whether two GNOME accelerators name the same combination ("<Primary><Shift>Q", "<Shift><Control>q").
  static bool SameCombination(const std::string& a, const std::string& b);
  // The claim an entry of ours stands for, by its path ("...-ctrl-shift-q/" gives "ctrl-shift-q");
  // "" for a path named otherwise.
  static std::string ClaimOf(const std::string& path);

 private:
  struct Entry {
    std::string path;
    std::string binding;
  };
  std::vector<std::string> List() const;
  bool WriteList(const std::vector<std::string>& paths);
  void Forget(const std::string& path);
  void ForgetHeld(const std::string& path);
  bool Left(const std::string& path) const;
  void ForgetLeft();
  ShortcutClaims::Turn TakeTurn() const;

  ShortcutNamer namer_;
  std::string program_;
  const ShortcutClaims* claims_;
  std::map<std::pair<WindowHandle, std::int32_t>, Entry> entries_;
};

}  // namespace hush::platform::linux_backend
