#pragma once
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

#include "platform/clock.h"
#include "platform/window_system.h"

namespace hush::platform::linux_backend {

// The repeating timer, on Qt's event loop. Made when first started, since it needs the application.
class QtTimerService : public ITimerService {
 public:
  ~QtTimerService() override;
  void StartTimer(std::uint32_t intervalMs, std::function<void()> tick) override;
  void StopTimer() override;

 private:
  std::unique_ptr<QTimer> timer_;
  std::function<void()> tick_;
};

// Steady time, and a wait for Qt's events that a timer of its own bounds.
class QtClock : public IClock {
 public:
  std::int64_t MonotonicMs() override;
  void WaitForEvents(std::uint32_t maxMs) override;
};

// The main window in Qt Widgets, built from the layout: twips / 15 logical pixels, so the design's
// 96-dpi pixels, and Qt scales them on other screens. Its handle is this object's identity, so it
// exists before the widget does.
class QtMainWindow : public IMainWindow {
 public:
  QtMainWindow();
  ~QtMainWindow() override;
  WindowHandle Handle() override { return reinterpret_cast<WindowHandle>(this); }
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
  // What must happen before the process goes (shortcuts the desktop keeps beyond it).
  void SetAtEnd(std::function<void()> atEnd) { atEnd_ = std::move(atEnd); }

  QWidget* Widget();
  QWidget* Control(int id);
  // A colour of the design as this desktop shows it: system colour references from the palette.
  static QColor Resolve(std::uint32_t color);

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
  std::function<void()> atEnd_;
};

}  // namespace hush::platform::linux_backend
