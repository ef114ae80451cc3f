#pragma once
#include <functional>

#include "platform/window_system.h"

namespace hush::platform::win32 {

class Win32Atoms : public IAtomTable {
 public:
  std::uint16_t GlobalAddAtomA(const std::string& text) override;
};

class Win32Hotkeys : public IHotkeys {
 public:
  bool RegisterHotKey(WindowHandle window, std::int32_t id, std::uint32_t modifiers, std::uint32_t vk) override;
  bool UnregisterHotKey(WindowHandle window, std::int32_t id) override;
};

class Win32MessageLoop : public IMessageLoop {
 public:
  void WaitMessage() override;
  bool PeekMessageA(Msg* msg, WindowHandle window, std::uint32_t first, std::uint32_t last,
                    std::uint32_t remove) override;
  void DoEvents() override;
};

// A thread timer; its ticks are dispatched by the message loop like any other message.
class Win32Timer : public ITimerService {
 public:
  ~Win32Timer() override;
  void StartTimer(std::uint32_t intervalMs, std::function<void()> tick) override;
  void StopTimer() override;

 private:
  std::uintptr_t id_ = 0;
  std::function<void()> tick_;
};

// The main window, made on first use on the calling (user-interface) thread.
class Win32MainWindow : public IMainWindow {
 public:
  ~Win32MainWindow() override;
  WindowHandle Handle() override;
  void Show() override;

 private:
  void* hwnd_ = nullptr;
};

}  // namespace hush::platform::win32
