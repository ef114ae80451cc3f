#include "platform/linux/linux_version.h"

#include <sys/utsname.h>

#include <algorithm>
#include <cctype>

namespace hush::platform::linux_backend {

bool UnameVersion::FromRelease(const std::string& release, OsVersionInfoExW* info) {
  std::uint32_t numbers[3] = {0, 0, 0};
  std::size_t pos = 0;
  int count = 0;
  for (; count < 3; ++count) {
    if (pos >= release.size() || !std::isdigit(static_cast<unsigned char>(release[pos]))) break;
    std::uint64_t n = 0;
    while (pos < release.size() && std::isdigit(static_cast<unsigned char>(release[pos]))) {
      n = std::min<std::uint64_t>(n * 10 + static_cast<std::uint64_t>(release[pos] - '0'), 0x7FFFFFFF);
      ++pos;
    }
    numbers[count] = static_cast<std::uint32_t>(n);
    if (pos >= release.size() || release[pos] != '.') {
      ++count;
      break;
    }
    ++pos;
  }
  if (count == 0) return false;
  info->dwMajorVersion = numbers[0];
  info->dwMinorVersion = numbers[1];
  info->dwBuildNumber = numbers[2];
  info->dwPlatformId = 2;
  info->wServicePackMajor = 0;
  info->wServicePackMinor = 0;
  info->wSuiteMask = 0;
  info->wProductType = 1;  // a workstation
  return true;
}

std::int32_t UnameVersion::RtlGetVersion(OsVersionInfoExW* info) {
  constexpr std::int32_t kStatusInvalidParameter = static_cast<std::int32_t>(0xC000000Du);
  constexpr std::int32_t kStatusUnsuccessful = static_cast<std::int32_t>(0xC0000001u);
  if (!info || info->dwOSVersionInfoSize < sizeof(OsVersionInfoExW)) return kStatusInvalidParameter;
  utsname name{};
  if (uname(&name) != 0) return kStatusUnsuccessful;
  return FromRelease(name.release, info) ? 0 : kStatusUnsuccessful;
}

}  // namespace hush::platform::linux_backend
