#include "platform/win32/win32_window_system.h"

#include <windows.h>

#include <map>

namespace hush::platform::win32 {

std::uint16_t Win32Atoms::GlobalAddAtomA(const std::string& text) { return ::GlobalAddAtomA(text.c_str()); }

bool Win32Hotkeys::RegisterHotKey(WindowHandle window, std::int32_t id, std::uint32_t modifiers, std::uint32_t vk) {
  return ::RegisterHotKey(reinterpret_cast<HWND>(window), id, modifiers, vk) != FALSE;
}

bool Win32Hotkeys::UnregisterHotKey(WindowHandle window, std::int32_t id) {
  return ::UnregisterHotKey(reinterpret_cast<HWND>(window), id) != FALSE;
}

void Win32MessageLoop::WaitMessage() { ::WaitMessage(); }

bool Win32MessageLoop::PeekMessageA(Msg* msg, WindowHandle window, std::uint32_t first, std::uint32_t last,
                                    std::uint32_t remove) {
  MSG native{};
  if (!::PeekMessageA(&native, reinterpret_cast<HWND>(window), first, last, remove)) return false;
  msg->hwnd = reinterpret_cast<WindowHandle>(native.hwnd);
  msg->message = native.message;
  msg->wParam = native.wParam;
  msg->lParam = native.lParam;
  msg->time = native.time;
  msg->ptX = native.pt.x;
  msg->ptY = native.pt.y;
  return true;
}

void Win32MessageLoop::DoEvents() {
  MSG native;
  while (::PeekMessageA(&native, nullptr, 0, 0, PM_REMOVE)) {
    if (native.message == WM_QUIT) {
      ::PostQuitMessage(static_cast<int>(native.wParam));  // leave it for the outer loop
      break;
    }
    HWND dialog = reinterpret_cast<HWND>(DialogWindow());
    if (dialog && ::IsDialogMessageA(dialog, &native)) continue;
    ::TranslateMessage(&native);
    ::DispatchMessageA(&native);
  }
}

namespace {
std::map<UINT_PTR, std::function<void()>*>& Ticks() {
  static std::map<UINT_PTR, std::function<void()>*> ticks;
  return ticks;
}
void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
  const auto it = Ticks().find(id);
  try {
    if (it != Ticks().end() && *it->second) (*it->second)();
  } catch (...) {
    // a failure must not cross the system's call
  }
}

}  // namespace

Win32Timer::~Win32Timer() { StopTimer(); }

void Win32Timer::StartTimer(std::uint32_t intervalMs, std::function<void()> tick) {
  StopTimer();
  tick_ = std::move(tick);
  id_ = ::SetTimer(nullptr, 0, intervalMs, OnTimer);
  if (id_) Ticks()[id_] = &tick_;
}

void Win32Timer::StopTimer() {
  if (!id_) return;
  ::KillTimer(nullptr, id_);
  Ticks().erase(id_);
  id_ = 0;
}

}  // namespace hush::platform::win32
