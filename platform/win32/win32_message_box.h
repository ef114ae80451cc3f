#pragma once
#include "platform/message_box.h"

namespace hush::platform::win32 {

class Win32MessageBox : public IMessageBox {
 public:
  int MessageBoxA(const std::string& text, const std::string& caption, unsigned style) override;
  void SetOwner(void* hwnd) { owner_ = hwnd; }

 private:
  void* owner_ = nullptr;
};

}  // namespace hush::platform::win32
