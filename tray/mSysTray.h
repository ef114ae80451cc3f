#pragma once
#include <cstdint>

#include "platform/tray.h"

namespace hush::mSysTray {

// The message the shell sends to the tray control's window about its icon (WM_USER + 101).
inline constexpr std::uint32_t TrayCallbackMessage = 1125;

// The procedure the hook replaced; one for the whole program, so one control can be in the tray.
extern std::intptr_t PreviousWndProc;
// The window service the hook forwards through; set by the control when it hooks its window.
extern platform::ITray* Shell;

// Put in front of the tray control's window while its icon is in the tray: hands the shell's
// notifications to the control first, then passes every message on unchanged.
std::intptr_t TrayWindowProc(platform::WindowHandle hwnd, std::uint32_t uMsg, std::uintptr_t wParam,
                             std::intptr_t lParam);

}  // namespace hush::mSysTray
