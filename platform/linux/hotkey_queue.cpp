#include "platform/linux/hotkey_queue.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <thread>

namespace hush::platform::linux_backend {

void HotkeyMessageQueue::WaitMessage() {
  if (!QCoreApplication::instance()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return;
  }
  if (!queue_.empty()) return;
  QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

bool HotkeyMessageQueue::PeekMessageA(Msg* msg, WindowHandle window, std::uint32_t first, std::uint32_t last,
                                      std::uint32_t remove) {
  for (auto it = queue_.begin(); it != queue_.end(); ++it) {
    if ((window && it->hwnd != window) || it->message < first || it->message > last) continue;
    *msg = *it;
    if (remove & kPmRemove) queue_.erase(it);
    return true;
  }
  return false;
}

void HotkeyMessageQueue::DoEvents() {
  // Presses still queued now are dispatched to the window, which does nothing with them. Those that
  // reach the program while the events are processed are left for the next pass: X sends a grab's
  // focus events just before the press, and they would otherwise end the wait and lose the press.
  const auto stale = static_cast<std::ptrdiff_t>(queue_.size());
  if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
  queue_.erase(queue_.begin(), queue_.begin() + std::min<std::ptrdiff_t>(stale, static_cast<std::ptrdiff_t>(queue_.size())));
}

}  // namespace hush::platform::linux_backend
