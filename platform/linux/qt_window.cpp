#include "platform/linux/qt_window.h"

#include <QApplication>

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

QtMainWindow::~QtMainWindow() = default;

QWidget* QtMainWindow::Widget() {
  if (!widget_ && qobject_cast<QApplication*>(QCoreApplication::instance())) widget_ = std::make_unique<QWidget>();
  return widget_.get();
}

void QtMainWindow::Show() {
  if (QWidget* w = Widget()) w->show();
}

}  // namespace hush::platform::linux_backend
