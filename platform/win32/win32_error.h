#pragma once
#include <windows.h>

#include <string>

namespace hush::platform::win32 {

// The system's own description of a status code, as the error report box shows it.
inline std::string DescribeStatus(DWORD code) {
  char* text = nullptr;
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string out = n && text ? std::string(text, n) : std::string();
  if (text) LocalFree(text);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ')) out.pop_back();
  char hex[32];
  wsprintfA(hex, "0x%08lX", static_cast<unsigned long>(code));
  return out.empty() ? std::string("Automation error ") + hex : out + " (" + hex + ")";
}

}  // namespace hush::platform::win32
