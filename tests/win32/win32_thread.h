#pragma once
// A thread of the system's own for the Windows tests: the runtime is built with the win32 thread
// model (whose winpthreads-free imports Windows XP has), which has no std::thread.
#include <windows.h>

#include <functional>
#include <utility>

namespace hush::test {

class Win32Thread {
 public:
  explicit Win32Thread(std::function<void()> body) : body_(std::move(body)) {
    handle_ = ::CreateThread(nullptr, 0, &Run, this, 0, nullptr);
  }
  ~Win32Thread() { join(); }
  Win32Thread(const Win32Thread&) = delete;
  Win32Thread& operator=(const Win32Thread&) = delete;

  void join() {
    if (!handle_) return;
    ::WaitForSingleObject(handle_, INFINITE);
    ::CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  static DWORD WINAPI Run(void* self) {
    static_cast<Win32Thread*>(self)->body_();
    return 0;
  }
  std::function<void()> body_;
  HANDLE handle_ = nullptr;
};

}  // namespace hush::test
