#pragma once
#include <functional>
#include <memory>

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

// The main window, made on first use on the calling (user-interface) thread: native controls laid
// out from the design's twips at the window's DPI.
class Win32MainWindow : public IMainWindow {
 public:
  Win32MainWindow();
  ~Win32MainWindow() override;
  WindowHandle Handle() override;
  void Show() override;
  void Hide() override;
  bool Visible() override;
  int WindowState() override;
  void SetWindowState(int state) override;
  void SetFocus() override;
  void SetCaption(const std::string& caption) override;
  void SetIcon(const PicturePtr& icon) override;
  void SetBackColor(std::uint32_t color) override;
  void SetPointer(int pointer, const PicturePtr& custom) override;
  void Build(const FormLayout& form, const std::vector<ControlLayout>& controls, IWindowEvents* events) override;
  void SetControlText(int id, const std::string& text) override;
  void SetControlItems(int id, const std::vector<std::string>& items) override;
  void SetControlSelection(int id, int index) override;
  void SetControlChecked(int id, bool checked) override;
  void SetControlVisible(int id, bool visible) override;
  void SetControlColors(int id, std::uint32_t backColor, std::uint32_t foreColor) override;
  void EndProgram(int status) override;

  // The native control of an id, for tests; 0 when there is none.
  WindowHandle Control(int id);

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// The window whose dialog keys (Tab, Enter, arrows) the event processing handles; 0 for none.
WindowHandle DialogWindow();

}  // namespace hush::platform::win32
