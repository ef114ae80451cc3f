#include "tray/mSysTray.h"

#include "tray/cSysTray.h"

namespace hush::mSysTray {

std::intptr_t PreviousWndProc = 0;
platform::ITray* Shell = nullptr;

std::intptr_t TrayWindowProc(platform::WindowHandle hwnd, std::uint32_t uMsg, std::uintptr_t wParam,
                             std::intptr_t lParam) {
  if (!Shell) return 0;
  if (uMsg == TrayCallbackMessage) {
    // A borrowed reference: the window's user data never owns the control.
    if (auto* instance = reinterpret_cast<cSysTray*>(Shell->GetWindowLongA(hwnd, platform::kGwlpUserData))) {
      auto notification = static_cast<std::int32_t>(lParam);
      auto id = static_cast<std::int32_t>(wParam);
      instance->DispatchTrayMessage(notification, id);
    }
  }
  return Shell->CallWindowProcA(PreviousWndProc, hwnd, uMsg, wParam, lParam);
}

}  // namespace hush::mSysTray
