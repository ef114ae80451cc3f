#pragma once
#include <map>
#include <string>
#include <vector>

#include "platform/linux/hotkey_queue.h"
#include "platform/linux/shortcut_naming.h"

namespace hush::platform::linux_backend {

// Global shortcuts on a GNOME desktop whose portal has none (GNOME before 48 on Wayland): while the
// program runs, each shortcut is one of GNOME's custom shortcuts, which its settings daemon fires
// whatever window has the focus. A press runs this program with the step option, so it never
// reaches the pump. The entries are written through GSettings, under paths of the program's own,
// which is how entries left by an earlier run that did not end are found and reused; the user's
// own custom shortcuts, and their order, are never touched. A combination one of them binds stays
// theirs: the shortcut is refused, as a key held by another program is.
class GnomeHotkeys : public IHotkeys, public HotkeyMessageQueue {
 public:
  static constexpr const char* kListSchema = "org.gnome.settings-daemon.plugins.media-keys";
  static constexpr const char* kEntrySchema = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
  static constexpr const char* kListKey = "custom-keybindings";
  static constexpr const char* kEntryBase = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";
  // Every entry of the program's own lies under a path starting so.
  static constexpr const char* kOwnPrefix = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/hushdial-";

  // program: the absolute path a press runs.
  GnomeHotkeys(ShortcutNamer namer, std::string program);
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

  // Takes every entry of the program's own away (the end of the program, a signal included) and
  // waits until the settings store has them.
  void RemoveAll();

  // "<Control><Shift>q" for Ctrl+Shift+Q; the command a press runs, quoted for the desktop's parser.
  static std::string Binding(std::uint32_t modifiers, std::uint32_t vk);
  static std::string Command(const std::string& program, const std::string& option);
  // Whether two GNOME accelerators name the same combination ("<Primary><Shift>Q", "<Shift><Control>q").
  static bool SameCombination(const std::string& a, const std::string& b);

 private:
  struct Entry {
    std::string path;
    std::string binding;
  };
  std::vector<std::string> List() const;
  void WriteList(const std::vector<std::string>& paths);
  void Forget(const std::string& path);

  ShortcutNamer namer_;
  std::string program_;
  std::map<std::pair<WindowHandle, std::int32_t>, Entry> entries_;
};

}  // namespace hush::platform::linux_backend
