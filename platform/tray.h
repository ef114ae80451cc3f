#pragma once
#include <cstdint>
#include <functional>

#include "platform/picture.h"
#include "platform/window_system.h"

namespace hush::platform {

inline constexpr std::uint32_t kNimAdd = 0;
inline constexpr std::uint32_t kNimModify = 1;
inline constexpr std::uint32_t kNimDelete = 2;

inline constexpr std::uint32_t kNifMessage = 1;
inline constexpr std::uint32_t kNifIcon = 2;
inline constexpr std::uint32_t kNifTip = 4;
inline constexpr std::uint32_t kNifInfo = 16;

inline constexpr int kGwlpWndProc = -4;
inline constexpr int kGwlpUserData = -21;

// The shell's notification-area record in its narrow form, laid out as the shell reads it: 488 bytes
// on 32-bit builds, 504 on 64-bit ones, where the handles are 8 bytes wide.
struct NotifyIconDataA {
  std::uint32_t cbSize;
  WindowHandle hWnd;
  std::uint32_t uID;
  std::uint32_t uFlags;
  std::uint32_t uCallbackMessage;
  IconHandle hIcon;
  char szTip[128];
  std::uint32_t dwState;
  std::uint32_t dwStateMask;
  char szInfo[256];
  std::uint32_t uTimeout;  // shares its place with the version of later shells
  char szInfoTitle[64];
  std::uint32_t dwInfoFlags;
};
inline constexpr std::uint32_t kNotifyIconDataSize = sizeof(void*) == 4 ? 488u : 504u;
static_assert(sizeof(NotifyIconDataA) == kNotifyIconDataSize, "the shell reads this record by its size");

// A window procedure: the same for every backend, whatever the native one looks like.
using WindowProc = std::intptr_t (*)(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                                     std::intptr_t lParam);

// The notification area and the window-procedure chain of the window that owns the icon.
class ITray {
 public:
  virtual ~ITray() = default;
  // A top-level window of the tray control's own, never shown; the shell's notifications for the
  // icon arrive at its procedure.
  virtual WindowHandle CreateTrayWindow() = 0;
  virtual void DestroyTrayWindow(WindowHandle window) = 0;

  virtual bool Shell_NotifyIconA(std::uint32_t message, const NotifyIconDataA* data) = 0;

  // kGwlpWndProc: the value is a WindowProc (as an integer) or one returned earlier for this window,
  // which puts that procedure back; the previous one is returned as an opaque value.
  // kGwlpUserData: any value, kept for the window.
  // Values are pointer-sized on every build (SetWindowLongPtrA underneath, which the 32-bit
  // headers define as SetWindowLongA).
  virtual std::intptr_t SetWindowLongA(WindowHandle window, int index, std::intptr_t value) = 0;
  virtual std::intptr_t GetWindowLongA(WindowHandle window, int index) = 0;
  virtual std::intptr_t CallWindowProcA(std::intptr_t proc, WindowHandle window, std::uint32_t message,
                                        std::uintptr_t wParam, std::intptr_t lParam) = 0;

  // Whether a notification area is there to show the icon now.
  virtual bool TrayAvailable() = 0;
  // Told when a notification area starts (again) or goes away while an icon of the window is meant
  // to be shown. The icon must then be added again.
  virtual void SetTrayHostHandler(WindowHandle window, std::function<void(bool available)> handler) = 0;
};

}  // namespace hush::platform
