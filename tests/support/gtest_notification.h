#pragma once
// GoogleTest's Notification is built on std::mutex and std::condition_variable, which GCC's win32
// thread model (the one whose runtime Windows XP can load) does not have. This one waits on a
// Windows event instead; it is put in before GoogleTest's headers on that toolchain only.
#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
 public:
  Notification();
  ~Notification();
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify();
  void WaitForNotification();

 private:
  void* event_;  // a manual-reset event
};

}  // namespace testing::internal
