#pragma once
#include <string>

namespace hush::platform {

// Style bits of a modal message box: OK only, optionally with the exclamation icon.
inline constexpr unsigned kMbOk = 0;
inline constexpr unsigned kMbIconExclamation = 48;

class IMessageBox {
 public:
  virtual ~IMessageBox() = default;
  // Shows a modal box and returns when the user has confirmed it.
  virtual int MessageBoxA(const std::string& text, const std::string& caption, unsigned style) = 0;
};

}  // namespace hush::platform
