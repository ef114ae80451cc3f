#pragma once
#include <cstddef>
#include <cstdint>

namespace hush::platform {

// RTL_OSVERSIONINFOEXW, 284 bytes.
struct OsVersionInfoExW {
  std::uint32_t dwOSVersionInfoSize;
  std::uint32_t dwMajorVersion;
  std::uint32_t dwMinorVersion;
  std::uint32_t dwBuildNumber;
  std::uint32_t dwPlatformId;
  char16_t szCSDVersion[128];
  std::uint16_t wServicePackMajor;
  std::uint16_t wServicePackMinor;
  std::uint16_t wSuiteMask;
  std::uint8_t wProductType;
  std::uint8_t wReserved;
};
static_assert(sizeof(OsVersionInfoExW) == 284);
static_assert(offsetof(OsVersionInfoExW, wServicePackMajor) == 276);

class IVersionQuery {
 public:
  virtual ~IVersionQuery() = default;
  // Fills the record; 0 on success. Throws Failure where the query itself is missing.
  virtual std::int32_t RtlGetVersion(OsVersionInfoExW* info) = 0;
};

}  // namespace hush::platform
