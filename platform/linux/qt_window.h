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

// The main window. Its handle is this object's identity, so it exists before the widget does.
class QtMainWindow : public IMainWindow {
 public:
  ~QtMainWindow() override;
  WindowHandle Handle() override { return reinterpret_cast<WindowHandle>(this); }
  void Show() override;
  QWidget* Widget();

 private:
  std::unique_ptr<QWidget> widget_;
};

}  // namespace hush::platform::linux_backend
