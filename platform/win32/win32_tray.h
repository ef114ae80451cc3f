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
  std::intptr_t SetWindowLongPtrA(WindowHandle window, int index, std::intptr_t value) override;
  std::intptr_t GetWindowLongPtrA(WindowHandle window, int index) override;
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

class Win32Clock : public IClock {
 public:
  std::int64_t MonotonicMs() override;
  void WaitForEvents(std::uint32_t maxMs) override;
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
