#include "platform/linux/qt_window.h"

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <thread>

namespace hush::platform::linux_backend {

QtTimerService::~QtTimerService() = default;

void QtTimerService::StartTimer(std::uint32_t intervalMs, std::function<void()> tick) {
  tick_ = std::move(tick);
  if (!timer_) {
    timer_ = std::make_unique<QTimer>();
    QObject::connect(timer_.get(), &QTimer::timeout, [this] {
      if (tick_) tick_();
    });
  }
  timer_->start(static_cast<int>(intervalMs));
}

void QtTimerService::StopTimer() {
  if (timer_) timer_->stop();
}

std::int64_t QtClock::MonotonicMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

void QtClock::WaitForEvents(std::uint32_t maxMs) {
  const int ms = static_cast<int>(std::min<std::uint32_t>(maxMs, 0x7FFFFFFF));
  if (!QCoreApplication::instance()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, 50)));
    return;
  }
  QTimer wake;  // an event of its own, so the wait can't outlast maxMs
  wake.setSingleShot(true);
  wake.setTimerType(Qt::PreciseTimer);
  wake.start(ms);
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

QtMainWindow::~QtMainWindow() = default;

QWidget* QtMainWindow::Widget() {
  if (!widget_ && qobject_cast<QApplication*>(QCoreApplication::instance())) widget_ = std::make_unique<QWidget>();
  return widget_.get();
}

void QtMainWindow::Show() {
  if (QWidget* w = Widget()) w->show();
}

}  // namespace hush::platform::linux_backend
