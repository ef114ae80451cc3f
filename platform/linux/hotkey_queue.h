#pragma once
#include <deque>

#include "platform/window_system.h"

namespace hush::platform::linux_backend {

// The hotkey messages of a Linux shortcut backend: presses are queued as they arrive from Qt's
// event processing, taken one at a time by PeekMessageA; the general event processing drops those
// still queued, as the window would.
class HotkeyMessageQueue : public IMessageLoop {
 public:
  void WaitMessage() override;
  bool PeekMessageA(Msg* msg, WindowHandle window, std::uint32_t first, std::uint32_t last,
                    std::uint32_t remove) override;
  void DoEvents() override;

 protected:
  void Post(const Msg& msg) { queue_.push_back(msg); }

 private:
  std::deque<Msg> queue_;
};

}  // namespace hush::platform::linux_backend
