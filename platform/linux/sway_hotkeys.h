#pragma once
#include <map>
#include <memory>
#include <string>

#include "platform/linux/hotkey_queue.h"
#include "platform/linux/shortcut_naming.h"

class QSocketNotifier;

namespace hush::platform::linux_backend {

// Global shortcuts under sway (its portal has none): while the program runs, each shortcut is a key
// binding added at run time through sway's IPC socket and taken away again, and a press runs this
// program with the step option, so it never reaches the pump. The user's configuration file is
// never written; a combination it already binds (its includes and modes too) stays the user's (sway
// would quietly replace it): the shortcut is refused, as a key held by another program is. After a
// reload of sway's configuration, which drops them, the bindings are made again.
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

  // "Ctrl+Shift+q" for Ctrl+Shift+Q; the command a press runs: "" unless the program's path is plain
  // (sway parses it again at each press, so the caller hands a plain path).
  static std::string Combination(std::uint32_t modifiers, std::uint32_t vk);
  static std::string Command(const std::string& program, const std::string& option);
  // Whether a sway configuration binds the combination: bindsym or bindcode, at the top level, in a
  // block or a mode, in the files it includes (relative to folder, the folder of its file), with
  // its variables put in as sway puts them in.
  static bool ConfigBinds(const std::string& config, const std::string& combination, const std::string& folder = ".");

  // One IPC message and its answer's payload; false when sway does not answer.
  static bool Ask(const std::string& socket, std::uint32_t type, const std::string& payload, std::string& reply);
  // The text of a JSON string value in an answer ("config" of GET_CONFIG); "" when absent.
  static std::string JsonString(const std::string& json, const std::string& key);

 private:
  enum class Answer { Done, Refused, None };
  struct Bound {
    std::string combination;
    std::string command;
  };
  Answer Run(const std::string& command);
  bool Bind(const std::string& combination, const std::string& command);
  void Unbind(const std::string& combination);
  bool LoadedConfig(std::string& config, std::string& folder);
  void Watch();
  void StopWatching();
  void OnEvent();

  ShortcutNamer namer_;
  std::string program_;
  std::string socket_;
  std::map<std::pair<WindowHandle, std::int32_t>, Bound> bound_;
  int watch_ = -1;  // the connection sway announces its reloads on
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace hush::platform::linux_backend
