#pragma once
#include <cstdint>

namespace hush::platform {

// Time for waits that must not spin: a monotonic clock and a bounded wait for new events.
class IClock {
 public:
  virtual ~IClock() = default;
  // Milliseconds on a clock that never goes back.
  virtual std::int64_t MonotonicMs() = 0;
  // Returns when an event arrives for the user-interface thread or after maxMs, whichever is first.
  virtual void WaitForEvents(std::uint32_t maxMs) = 0;
};

}  // namespace hush::platform
