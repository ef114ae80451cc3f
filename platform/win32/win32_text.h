#pragma once
#include <windows.h>

#include <string>

namespace hush::platform::win32 {

// Text of the given code page (CP_UTF8, CP_ACP) as the wide calls take it.
inline std::wstring Widen(const std::string& text, UINT codePage) {
  if (text.empty()) return {};
  const int n = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

}  // namespace hush::platform::win32
