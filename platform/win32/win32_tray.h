#pragma once
#include <functional>
#include <map>

#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/picture.h"
#include "platform/tray.h"

namespace hush::platform::win32 {

// Shell_NotifyIconA on a hidden top-level window of the tray control's own: a message-only window
// would never receive the broadcast that Explorer has started again ("TaskbarCreated").
class Win32Tray : public ITray {
 public:
  ~Win32Tray() override;
  WindowHandle CreateTrayWindow() override;
  void DestroyTrayWindow(WindowHandle window) override;
  bool Shell_NotifyIconA(std::uint32_t message, const NotifyIconDataA* data) override;
  std::intptr_t SetWindowLongA(WindowHandle window, int index, std::intptr_t value) override;
  std::intptr_t GetWindowLongA(WindowHandle window, int index) override;
  std::intptr_t CallWindowProcA(std::intptr_t proc, WindowHandle window, std::uint32_t message,
                                std::uintptr_t wParam, std::intptr_t lParam) override;
  // A taskbar is there, and the last add (if any) was taken.
  bool TrayAvailable() override;
  void SetTrayHostHandler(WindowHandle window, std::function<void(bool)> handler) override;

  // Called by the tray window's own procedure.
  void TaskbarCreated(WindowHandle window);
  void PollHost(WindowHandle window);

 private:
  bool addTried_ = false;
  bool lastAddSucceeded_ = false;
  bool lastAvailable_ = false;
  std::map<WindowHandle, std::function<void(bool)>> hosts_;
};

// Milliseconds since start-up that never wrap: 32-bit tick counts (GetTickCount, all Windows)
// widened by counting their wraps, which happen every 49.7 days. Asked on the user-interface thread
// only; a wrap between two asks more than 49.7 days apart is missed, which no wait of the program
// (the balloon's, a few seconds) comes near.
class TickWidener {
 public:
  std::int64_t Widen(std::uint32_t tick) {
    if (started_ && tick < last_) high_ += std::int64_t{1} << 32;
    started_ = true;
    last_ = tick;
    return high_ + tick;
  }

 private:
  bool started_ = false;
  std::uint32_t last_ = 0;
  std::int64_t high_ = 0;
};

// GetTickCount64 where the system has it (Vista and later), else the widened GetTickCount (XP).
class Win32Clock : public IClock {
 public:
  using TickCount64 = unsigned long long(__stdcall*)();
  using TickCount = unsigned long(__stdcall*)();
  Win32Clock();
  // The counters to read: the 64-bit one where there is one, else the 32-bit one, widened. Lets the
  // XP path run on a later Windows, with a counter about to wrap.
  Win32Clock(TickCount64 tickCount64, TickCount tickCount);
  std::int64_t MonotonicMs() override;
  void WaitForEvents(std::uint32_t maxMs) override;

 private:
  TickCount64 tickCount64_ = nullptr;
  TickCount tickCount_ = nullptr;
  TickWidener widener_;
};

// The ANSI code page, through UTF-16.
class Win32CodePage : public ICodePage {
 public:
  std::vector<std::string> ToSystemCodePage(const std::string& utf8) override;
};

// The program's icon is resource 1 of the executable.
class Win32Pictures : public IPictures {
 public:
  PicturePtr ProgramIcon() override;
  PicturePtr LoadPicture(const std::string& path) override;
};

}  // namespace hush::platform::win32
