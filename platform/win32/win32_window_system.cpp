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
  if (it != Ticks().end() && *it->second) (*it->second)();
}

constexpr const char* kWindowClass = "HushdialMainWindow";

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) ::ExitProcess(0);  // closing ends the program at once, pump and all
  return DefWindowProcA(hwnd, message, wParam, lParam);
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

Win32MainWindow::~Win32MainWindow() {
  if (hwnd_) ::DestroyWindow(static_cast<HWND>(hwnd_));
}

WindowHandle Win32MainWindow::Handle() {
  if (!hwnd_) {
    static bool registered = false;
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    if (!registered) {
      WNDCLASSA wc{};
      wc.lpfnWndProc = MainWindowProc;
      wc.hInstance = instance;
      wc.hCursor = ::LoadCursor(nullptr, IDC_ARROW);
      wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH));
      wc.lpszClassName = kWindowClass;
      registered = ::RegisterClassA(&wc) != 0;
    }
    hwnd_ = ::CreateWindowExA(0, kWindowClass, "Hushdial", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                              CW_USEDEFAULT, CW_USEDEFAULT, 560, 340, nullptr, nullptr, instance, nullptr);
  }
  return reinterpret_cast<WindowHandle>(hwnd_);
}

void Win32MainWindow::Show() { ::ShowWindow(reinterpret_cast<HWND>(Handle()), SW_SHOW); }

}  // namespace hush::platform::win32
