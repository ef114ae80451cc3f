#include "platform/win32/win32_tray.h"

#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <cstring>

#include "platform/failure.h"
#include "platform/utf8.h"

namespace hush::platform::win32 {

// Our record is the shell's own, field for field.
static_assert(sizeof(NotifyIconDataA) == NOTIFYICONDATAA_V2_SIZE, "record size");
static_assert(sizeof(void*) == 8 ? NOTIFYICONDATAA_V2_SIZE == 504 : NOTIFYICONDATAA_V2_SIZE == 488, "the SDK's size");
static_assert(offsetof(NotifyIconDataA, hWnd) == offsetof(NOTIFYICONDATAA, hWnd), "hWnd");
static_assert(offsetof(NotifyIconDataA, uID) == offsetof(NOTIFYICONDATAA, uID), "uID");
static_assert(offsetof(NotifyIconDataA, uFlags) == offsetof(NOTIFYICONDATAA, uFlags), "uFlags");
static_assert(offsetof(NotifyIconDataA, uCallbackMessage) == offsetof(NOTIFYICONDATAA, uCallbackMessage), "msg");
static_assert(offsetof(NotifyIconDataA, hIcon) == offsetof(NOTIFYICONDATAA, hIcon), "hIcon");
static_assert(offsetof(NotifyIconDataA, szTip) == offsetof(NOTIFYICONDATAA, szTip), "szTip");
static_assert(offsetof(NotifyIconDataA, dwState) == offsetof(NOTIFYICONDATAA, dwState), "dwState");
static_assert(offsetof(NotifyIconDataA, szInfo) == offsetof(NOTIFYICONDATAA, szInfo), "szInfo");
static_assert(offsetof(NotifyIconDataA, uTimeout) == offsetof(NOTIFYICONDATAA, uTimeout), "uTimeout");
static_assert(offsetof(NotifyIconDataA, szInfoTitle) == offsetof(NOTIFYICONDATAA, szInfoTitle), "szInfoTitle");
static_assert(offsetof(NotifyIconDataA, dwInfoFlags) == offsetof(NOTIFYICONDATAA, dwInfoFlags), "dwInfoFlags");

namespace {

constexpr const char* kTrayWindowClass = "HushdialTrayWindow";

Win32Tray* g_tray = nullptr;  // the service whose windows these are

UINT TaskbarCreatedMessage() {
  static const UINT message = ::RegisterWindowMessageA("TaskbarCreated");
  return message;
}

constexpr UINT_PTR kHostTimer = 0x4D1;

LRESULT CALLBACK TrayWindowOwnProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == TaskbarCreatedMessage() && message != 0 && g_tray) {
    g_tray->TaskbarCreated(reinterpret_cast<WindowHandle>(hwnd));
    return 0;
  }
  if (message == WM_TIMER && wParam == kHostTimer && g_tray) {
    g_tray->PollHost(reinterpret_cast<WindowHandle>(hwnd));
    return 0;
  }
  return ::DefWindowProcA(hwnd, message, wParam, lParam);
}

// A product procedure put in front of a window: the native thunk calls it.
struct Hook {
  WindowProc proc;
  WNDPROC native;  // what the thunk replaced
};
std::map<HWND, Hook>& Hooks() {
  static std::map<HWND, Hook> hooks;
  return hooks;
}

LRESULT CALLBACK Thunk(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto it = Hooks().find(hwnd);
  if (it == Hooks().end()) return ::DefWindowProcA(hwnd, message, wParam, lParam);
  try {
    return it->second.proc(reinterpret_cast<WindowHandle>(hwnd), message, wParam, lParam);
  } catch (...) {
    return 0;  // a failure must not cross the system's call
  }
}

}  // namespace

Win32Tray::~Win32Tray() {
  if (g_tray == this) g_tray = nullptr;
}

WindowHandle Win32Tray::CreateTrayWindow() {
  g_tray = this;
  HINSTANCE instance = ::GetModuleHandleA(nullptr);
  static bool registered = false;
  if (!registered) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = TrayWindowOwnProc;
    wc.hInstance = instance;
    wc.lpszClassName = kTrayWindowClass;
    registered = ::RegisterClassA(&wc) != 0;
  }
  HWND hwnd = ::CreateWindowExA(WS_EX_TOOLWINDOW, kTrayWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                instance, nullptr);
  // An elevated run must still hear that Explorer started again; the call is there from Windows 7 on,
  // the older one from Vista on.
  if (hwnd) {
    HMODULE user32 = ::GetModuleHandleA("user32.dll");
    using FilterEx = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
    using Filter = BOOL(WINAPI*)(UINT, DWORD);
    if (auto filterEx = reinterpret_cast<FilterEx>(
            reinterpret_cast<void*>(::GetProcAddress(user32, "ChangeWindowMessageFilterEx"))))
      filterEx(hwnd, TaskbarCreatedMessage(), 1 /* MSGFLT_ALLOW */, nullptr);
    else if (auto filter = reinterpret_cast<Filter>(
                 reinterpret_cast<void*>(::GetProcAddress(user32, "ChangeWindowMessageFilter"))))
      filter(TaskbarCreatedMessage(), 1 /* MSGFLT_ADD */);
  }
  return reinterpret_cast<WindowHandle>(hwnd);
}

void Win32Tray::DestroyTrayWindow(WindowHandle window) {
  HWND hwnd = reinterpret_cast<HWND>(window);
  Hooks().erase(hwnd);
  hosts_.erase(window);
  if (hwnd) ::DestroyWindow(hwnd);
}

bool Win32Tray::Shell_NotifyIconA(std::uint32_t message, const NotifyIconDataA* data) {
  NOTIFYICONDATAA native;
  std::memset(&native, 0, sizeof native);
  std::memcpy(&native, data, sizeof *data);
  native.cbSize = NOTIFYICONDATAA_V2_SIZE;
  bool ok = ::Shell_NotifyIconA(message, &native) != FALSE;
  HWND hwnd = reinterpret_cast<HWND>(data->hWnd);
  if (message == NIM_ADD) {
    // An icon the shell still has can't be added twice; it is there all the same.
    if (!ok) ok = ::Shell_NotifyIconA(NIM_MODIFY, &native) != FALSE;
    addTried_ = true;
    lastAddSucceeded_ = ok;
    lastAvailable_ = TrayAvailable();
    ::SetTimer(hwnd, kHostTimer, 1000, nullptr);  // Explorer ending says nothing: it is watched
  } else if (message == NIM_DELETE) {
    ::KillTimer(hwnd, kHostTimer);
  }
  return ok;
}

std::intptr_t Win32Tray::SetWindowLongA(WindowHandle window, int index, std::intptr_t value) {
  HWND hwnd = reinterpret_cast<HWND>(window);
  if (index != kGwlpWndProc) return ::SetWindowLongPtrA(hwnd, index, value);
  const auto it = Hooks().find(hwnd);
  if (it != Hooks().end()) {
    if (value == reinterpret_cast<std::intptr_t>(it->second.native)) {  // putting the native one back
      const auto previous = reinterpret_cast<std::intptr_t>(it->second.proc);
      ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, value);
      Hooks().erase(it);
      return previous;
    }
    const auto previous = reinterpret_cast<std::intptr_t>(it->second.proc);
    it->second.proc = reinterpret_cast<WindowProc>(value);
    return previous;
  }
  Hooks()[hwnd] = Hook{reinterpret_cast<WindowProc>(value), nullptr};
  const LONG_PTR native = ::SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Thunk));
  Hooks()[hwnd].native = reinterpret_cast<WNDPROC>(native);
  return native;
}

std::intptr_t Win32Tray::GetWindowLongA(WindowHandle window, int index) {
  HWND hwnd = reinterpret_cast<HWND>(window);
  if (index == kGwlpWndProc) {
    const auto it = Hooks().find(hwnd);
    if (it != Hooks().end()) return reinterpret_cast<std::intptr_t>(it->second.proc);
  }
  return ::GetWindowLongPtrA(hwnd, index);
}

std::intptr_t Win32Tray::CallWindowProcA(std::intptr_t proc, WindowHandle window, std::uint32_t message,
                                         std::uintptr_t wParam, std::intptr_t lParam) {
  HWND hwnd = reinterpret_cast<HWND>(window);
  const auto it = Hooks().find(hwnd);
  if (it != Hooks().end() && proc == reinterpret_cast<std::intptr_t>(it->second.proc))
    return it->second.proc(window, message, wParam, lParam);
  if (!proc) return 0;
  return ::CallWindowProcA(reinterpret_cast<WNDPROC>(proc), hwnd, message, wParam, lParam);
}

void Win32Tray::SetTrayHostHandler(WindowHandle window, std::function<void(bool)> handler) {
  if (handler)
    hosts_[window] = std::move(handler);
  else
    hosts_.erase(window);
}

bool Win32Tray::TrayAvailable() {
  if (!::FindWindowA("Shell_TrayWnd", nullptr)) return false;
  return !addTried_ || lastAddSucceeded_;
}

void Win32Tray::PollHost(WindowHandle window) {
  const bool available = ::FindWindowA("Shell_TrayWnd", nullptr) != nullptr;
  if (available == lastAvailable_) return;
  lastAvailable_ = available;
  if (available) return;  // a new shell announces itself with TaskbarCreated
  const auto it = hosts_.find(window);
  if (it == hosts_.end()) return;
  try {
    auto handler = it->second;
    handler(false);
  } catch (...) {
  }
}

void Win32Tray::TaskbarCreated(WindowHandle window) {
  lastAvailable_ = true;
  const auto it = hosts_.find(window);
  if (it == hosts_.end()) return;
  try {
    auto handler = it->second;
    handler(true);
  } catch (...) {
  }
}

Win32Clock::Win32Clock()
    : Win32Clock(reinterpret_cast<TickCount64>(reinterpret_cast<void*>(
                     ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetTickCount64"))),
                 &::GetTickCount) {}

Win32Clock::Win32Clock(TickCount64 tickCount64, TickCount tickCount)
    : tickCount64_(tickCount64), tickCount_(tickCount) {}

std::int64_t Win32Clock::MonotonicMs() {
  if (tickCount64_) return static_cast<std::int64_t>(tickCount64_());
  return widener_.Widen(static_cast<std::uint32_t>(tickCount_()));
}

void Win32Clock::WaitForEvents(std::uint32_t maxMs) {
  ::MsgWaitForMultipleObjectsEx(0, nullptr, maxMs, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

std::vector<std::string> Win32CodePage::ToSystemCodePage(const std::string& utf8) {
  std::vector<std::string> characters;
  for (const std::string& character : SplitUtf8(utf8)) {
    wchar_t wide[4];
    const int units = ::MultiByteToWideChar(CP_UTF8, 0, character.data(), static_cast<int>(character.size()), wide, 4);
    char narrow[8];
    const int bytes = units > 0 ? ::WideCharToMultiByte(CP_ACP, 0, wide, units, narrow, sizeof narrow, nullptr, nullptr)
                                : 0;
    characters.push_back(bytes > 0 ? std::string(narrow, static_cast<std::size_t>(bytes)) : std::string("?"));
  }
  return characters;
}

PicturePtr Win32Pictures::ProgramIcon() {
  const int size = ::GetSystemMetrics(SM_CXSMICON);
  HANDLE icon = ::LoadImageA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1), IMAGE_ICON, size, size, LR_SHARED);
  if (!icon) return nullptr;
  return std::make_shared<Picture>(Picture{kPicTypeIcon, reinterpret_cast<IconHandle>(icon)});
}

PicturePtr Win32Pictures::LoadPicture(const std::string& path) {
  HANDLE picture = ::LoadImageA(nullptr, path.c_str(), IMAGE_CURSOR, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE);
  if (!picture) picture = ::LoadImageA(nullptr, path.c_str(), IMAGE_ICON, 0, 0, LR_LOADFROMFILE | LR_DEFAULTSIZE);
  if (!picture) throw Failure("Invalid picture");
  return std::make_shared<Picture>(Picture{kPicTypeIcon, reinterpret_cast<IconHandle>(picture)});
}

}  // namespace hush::platform::win32
