#include "platform/win32/win32_version.h"

#include <windows.h>

#include <cstring>

#include "platform/failure.h"

namespace hush::platform::win32 {

static_assert(sizeof(RTL_OSVERSIONINFOEXW) == sizeof(OsVersionInfoExW));

std::int32_t Win32Version::RtlGetVersion(OsVersionInfoExW* info) {
  using Query = LONG(WINAPI*)(RTL_OSVERSIONINFOEXW*);
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  FARPROC found = ntdll ? GetProcAddress(ntdll, "RtlGetVersion") : nullptr;
  if (!found) throw Failure("Can't find DLL entry point RtlGetVersion in ntdll");
  Query query = nullptr;
  static_assert(sizeof query == sizeof found);
  std::memcpy(&query, &found, sizeof query);
  return query(reinterpret_cast<RTL_OSVERSIONINFOEXW*>(info));
}

}  // namespace hush::platform::win32
