#pragma once
#include <map>
#include <string>

#include "platform/linux/hotkey_queue.h"
#include "platform/linux/shortcut_naming.h"

namespace hush::platform::linux_backend {

// Global shortcuts under sway (its portal has none): while the program runs, each shortcut is a key
// binding added at run time through sway's IPC socket and taken away again, and a press runs this
// program with the step option, so it never reaches the pump. The user's configuration file is
// never written; a combination it already binds stays the user's (sway would quietly replace it):
// the shortcut is refused, as a key held by another program is.
class SwayHotkeys : public IHotkeys, public HotkeyMessageQueue {
 public:
  // program: the absolute path a press runs; socket: sway's IPC socket ($SWAYSOCK).
  SwayHotkeys(ShortcutNamer namer, std::string program, std::string socket);
  ~SwayHotkeys() override;
  SwayHotkeys(const SwayHotkeys&) = delete;
  SwayHotkeys& operator=(const SwayHotkeys&) = delete;

  // $SWAYSOCK names a socket where sway answers.
  static bool Offered();

  bool RegisterHotKey(WindowHandle window, std::int32_t id, std::uint32_t modifiers, std::uint32_t vk) override;
  bool UnregisterHotKey(WindowHandle window, std::int32_t id) override;
  // Takes every binding of the program's own away (the end of the program, a signal included).
  void RemoveAll();

  // "Ctrl+Shift+q" for Ctrl+Shift+Q; the command a press runs, quoted for the shell sway hands it to.
  static std::string Combination(std::uint32_t modifiers, std::uint32_t vk);
  static std::string Command(const std::string& program, const std::string& option);
  // Whether a sway configuration binds the combination with bindsym, at the top level or in a block,
  // its variables ($mod) put in.
  static bool ConfigBinds(const std::string& config, const std::string& combination);

  // One IPC message and its answer's payload; false when sway does not answer.
  static bool Ask(const std::string& socket, std::uint32_t type, const std::string& payload, std::string& reply);
  // The text of a JSON string value in an answer ("config" of GET_CONFIG); "" when absent.
  static std::string JsonString(const std::string& json, const std::string& key);

 private:
  bool Run(const std::string& command);

  ShortcutNamer namer_;
  std::string program_;
  std::string socket_;
  std::map<std::pair<WindowHandle, std::int32_t>, std::string> bound_;  // the combination of each
};

}  // namespace hush::platform::linux_backend
