#include "volume/WinVersion.h"

#include <charconv>

namespace hush::WinVersion {

std::int16_t WindowsMajorVersion = 0;

namespace {
constexpr std::uint16_t kSuitePersonal = 0x0200;
constexpr std::uint8_t kNtWorkstation = 1;

std::string Signed(std::uint32_t number) { return std::to_string(static_cast<std::int32_t>(number)); }
}  // namespace

bool IsServerProduct(const platform::OsVersionInfoExW& info) { return info.wProductType != kNtWorkstation; }

std::string VersionNumberText(const platform::OsVersionInfoExW& info) {
  return Signed(info.dwMajorVersion) + "." + Signed(info.dwMinorVersion) + "." + Signed(info.dwBuildNumber);
}

std::string ServicePackText(const platform::OsVersionInfoExW& info) {
  const auto major = static_cast<std::int16_t>(info.wServicePackMajor);
  const auto minor = static_cast<std::int16_t>(info.wServicePackMinor);
  if (major <= 0) return "";
  if (minor <= 0) return "SP" + std::to_string(major);
  return "SP" + std::to_string(major) + "." + std::to_string(minor);
}

std::string WindowsProductName(const platform::OsVersionInfoExW& info) {
  const auto major = static_cast<std::int32_t>(info.dwMajorVersion);
  const auto minor = static_cast<std::int32_t>(info.dwMinorVersion);
  const bool server = IsServerProduct(info);
  switch (major) {
    case 3:
      return server ? "Windows NT 3.5 Server" : "Windows NT 3.5 Workstation";
    case 4:
      return server ? "Windows NT 4.0 Server" : "Windows NT 4.0 Workstation";
    case 5:
      switch (minor) {
        case 0:
          return server ? "Windows 2000 Server" : "Windows 2000 Workstation";
        case 1:
          return (info.wSuiteMask & kSuitePersonal) ? "Windows XP Home Edition" : "Windows XP Professional";
        case 2:
          return server ? "Windows Server 2003" : "Windows XP 64-bit Edition";
        default:
          return "Unrecognized Version";
      }
    case 6:
      switch (minor) {
        case 0:
          return server ? "Windows Server 2008" : "Windows Vista";
        case 1:
          return server ? "Windows Server 2008 R2" : "Windows 7";
        case 2:
          return server ? "Windows Server 2012" : "Windows 8";
        case 3:
          return server ? "Windows Server 2012 R2" : "Windows 8.1";
        default:
          return "Unrecognized Version";
      }
    case 10:
      return server ? "Windows Server 2016" : "Windows 10";
    default:
      return "Unrecognized Version";
  }
}

std::string WindowsVersionText(platform::IVersionQuery& query) {
  platform::OsVersionInfoExW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (query.RtlGetVersion(&info) != 0) return "Failed to retrieve Windows version";

  const std::string numbers = VersionNumberText(info);
  std::string text = WindowsProductName(info) + " " + ServicePackText(info) + " (v" + numbers + ")";
  WindowsMajorVersion = 5;
  // A major version outside the 16-bit range keeps 5, without a report.
  const std::string first = numbers.substr(0, numbers.find('.'));
  std::int16_t major = 0;
  const auto [end, error] = std::from_chars(first.data(), first.data() + first.size(), major);
  if (error == std::errc() && end == first.data() + first.size()) WindowsMajorVersion = major;
  return text;
}

void DetectWindowsVersion(platform::IVersionQuery& query) { (void)WindowsVersionText(query); }

}  // namespace hush::WinVersion
