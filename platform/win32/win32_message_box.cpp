#include "platform/win32/win32_message_box.h"

#include <windows.h>

namespace hush::platform::win32 {

int Win32MessageBox::MessageBoxA(const std::string& text, const std::string& caption, unsigned style) {
  return ::MessageBoxA(static_cast<HWND>(owner_), text.c_str(), caption.c_str(), style);
}

}  // namespace hush::platform::win32
