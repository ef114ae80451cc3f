#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace hush::platform {

using WindowHandle = std::uintptr_t;

// The platform message record; the pump reads only wParam.
struct Msg {
  WindowHandle hwnd;
  std::uint32_t message;
  std::uintptr_t wParam;
  std::intptr_t lParam;
  std::uint32_t time;
  std::int32_t ptX;
  std::int32_t ptY;
};

inline constexpr std::uint32_t kWmHotkey = 786;  // WM_HOTKEY
inline constexpr std::uint32_t kPmRemove = 1;
inline constexpr std::uint32_t kModAlt = 1;
inline constexpr std::uint32_t kModControl = 2;
inline constexpr std::uint32_t kModShift = 4;
inline constexpr std::uint32_t kModWin = 8;

// The global atom table: the same number for the same string, 0 on failure.
class IAtomTable {
 public:
  virtual ~IAtomTable() = default;
  virtual std::uint16_t GlobalAddAtomA(const std::string& text) = 0;
};

// System-wide shortcuts bound to a window; each press posts a hotkey message carrying the identifier.
class IHotkeys {
 public:
  virtual ~IHotkeys() = default;
  // False when refused (the combination is held by another program or by this window already).
  virtual bool RegisterHotKey(WindowHandle window, std::int32_t id, std::uint32_t modifiers, std::uint32_t vk) = 0;
  virtual bool UnregisterHotKey(WindowHandle window, std::int32_t id) = 0;
};

// The user-interface thread's message queue.
class IMessageLoop {
 public:
  virtual ~IMessageLoop() = default;
  // Blocks until a new message arrives for the thread.
  virtual void WaitMessage() = 0;
  // Takes at most one message in [first, last] addressed to the window; true when one was taken.
  virtual bool PeekMessageA(Msg* msg, WindowHandle window, std::uint32_t first, std::uint32_t last,
                            std::uint32_t remove) = 0;
  // Dispatches every pending message (hotkey messages still queued included, which nothing acts on).
  virtual void DoEvents() = 0;
};

// A repeating timer on the user-interface thread.
class ITimerService {
 public:
  virtual ~ITimerService() = default;
  virtual void StartTimer(std::uint32_t intervalMs, std::function<void()> tick) = 0;
  virtual void StopTimer() = 0;
};

// The main window as the hotkey handling needs it.
class IMainWindow {
 public:
  virtual ~IMainWindow() = default;
  virtual WindowHandle Handle() = 0;
  virtual void Show() = 0;
};

}  // namespace hush::platform
