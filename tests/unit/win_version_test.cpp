#include <gtest/gtest.h>

#include "tests/fake/fake_platform.h"
#include "volume/WinVersion.h"

namespace hush {
namespace {

platform::OsVersionInfoExW Version(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                                   std::uint8_t productType = 1, std::uint16_t spMajor = 0,
                                   std::uint16_t spMinor = 0, std::uint16_t suite = 0) {
  platform::OsVersionInfoExW info{};
  info.dwMajorVersion = major;
  info.dwMinorVersion = minor;
  info.dwBuildNumber = build;
  info.wProductType = productType;
  info.wServicePackMajor = spMajor;
  info.wServicePackMinor = spMinor;
  info.wSuiteMask = suite;
  return info;
}

struct TextCase {
  platform::OsVersionInfoExW info;
  std::string text;
  std::int16_t major;
};

class VersionText : public ::testing::TestWithParam<TextCase> {};

TEST_P(VersionText, ComposesNameServicePackAndNumbers) {
  fake::FakePlatform fp;
  fp.version.answer = GetParam().info;
  EXPECT_EQ(WinVersion::WindowsVersionText(fp.version), GetParam().text);
  EXPECT_EQ(WinVersion::WindowsMajorVersion, GetParam().major);
  EXPECT_EQ(fp.version.sizeSeen, 284u);
}

INSTANTIATE_TEST_SUITE_P(
    Systems, VersionText,
    ::testing::Values(TextCase{Version(5, 1, 2600, 1, 3, 0), "Windows XP Professional SP3 (v5.1.2600)", 5},
                      TextCase{Version(10, 0, 19045), "Windows 10  (v10.0.19045)", 10},
                      TextCase{Version(6, 1, 7601, 1, 1, 0), "Windows 7 SP1 (v6.1.7601)", 6},
                      TextCase{Version(5, 2, 3790, 1), "Windows XP 64-bit Edition  (v5.2.3790)", 5},
                      TextCase{Version(5, 2, 3790, 3, 2, 0), "Windows Server 2003 SP2 (v5.2.3790)", 5},
                      TextCase{Version(5, 1, 2600, 3, 1, 1, 0x0200), "Windows XP Home Edition SP1.1 (v5.1.2600)", 5},
                      TextCase{Version(6, 4, 9600), "Unrecognized Version  (v6.4.9600)", 6},
                      TextCase{Version(10, 7, 1, 2), "Windows Server 2016  (v10.7.1)", 10},
                      TextCase{Version(11, 0, 22000), "Unrecognized Version  (v11.0.22000)", 11},
                      TextCase{Version(40000, 0, 1), "Unrecognized Version  (v40000.0.1)", 5},
                      TextCase{Version(0xFFFFFFFF, 0, 1), "Unrecognized Version  (v-1.0.1)", -1}));

TEST(VersionNames, EveryRowOfTheNameTable) {
  using WinVersion::WindowsProductName;
  // {major, minor, name as a workstation (type 1), name as a server (type 3)}; minor 9 stands for
  // "any other" and 7 for "any" where the row takes any minor.
  struct Row {
    std::uint32_t major, minor;
    const char* workstation;
    const char* server;
  };
  const Row rows[] = {
      {3, 7, "Windows NT 3.5 Workstation", "Windows NT 3.5 Server"},
      {4, 7, "Windows NT 4.0 Workstation", "Windows NT 4.0 Server"},
      {5, 0, "Windows 2000 Workstation", "Windows 2000 Server"},
      {5, 1, "Windows XP Professional", "Windows XP Professional"},  // product type not consulted
      {5, 2, "Windows XP 64-bit Edition", "Windows Server 2003"},
      {5, 9, "Unrecognized Version", "Unrecognized Version"},
      {6, 0, "Windows Vista", "Windows Server 2008"},
      {6, 1, "Windows 7", "Windows Server 2008 R2"},
      {6, 2, "Windows 8", "Windows Server 2012"},
      {6, 3, "Windows 8.1", "Windows Server 2012 R2"},
      {6, 9, "Unrecognized Version", "Unrecognized Version"},
      {10, 7, "Windows 10", "Windows Server 2016"},
      {2, 0, "Unrecognized Version", "Unrecognized Version"},
      {7, 0, "Unrecognized Version", "Unrecognized Version"},
      {9, 0, "Unrecognized Version", "Unrecognized Version"},
      {11, 0, "Unrecognized Version", "Unrecognized Version"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(WindowsProductName(Version(row.major, row.minor, 0, 1)), row.workstation) << row.major << "." << row.minor;
    EXPECT_EQ(WindowsProductName(Version(row.major, row.minor, 0, 3)), row.server) << row.major << "." << row.minor;
    // Every product type but 1 is a server, 0 and 2 included.
    EXPECT_EQ(WindowsProductName(Version(row.major, row.minor, 0, 0)), row.server) << row.major << "." << row.minor;
    EXPECT_EQ(WindowsProductName(Version(row.major, row.minor, 0, 2)), row.server) << row.major << "." << row.minor;
  }
  EXPECT_EQ(WindowsProductName(Version(5, 1, 0, 3, 0, 0, 0x0200)), "Windows XP Home Edition");
  EXPECT_EQ(WindowsProductName(Version(5, 1, 0, 1, 0, 0, 0x0300)), "Windows XP Home Edition");
  EXPECT_EQ(WindowsProductName(Version(5, 2, 0, 1, 0, 0, 0x0200)), "Windows XP 64-bit Edition");
  EXPECT_EQ(WinVersion::ServicePackText(Version(5, 1, 0, 1, 0x8000, 0)), "");  // negative as 16-bit
}

TEST(VersionQuery, FailedQueryLeavesZeroAndTheMixerPath) {
  fake::FakePlatform fp;
  fp.version.status = -1073741823;
  EXPECT_EQ(WinVersion::WindowsVersionText(fp.version), "Failed to retrieve Windows version");
  EXPECT_EQ(WinVersion::WindowsMajorVersion, 0);
}

TEST(VersionQuery, MissingQueryIsAFailureForTheCaller) {
  fake::FakePlatform fp;
  fp.version.missing = true;
  EXPECT_THROW(WinVersion::DetectWindowsVersion(fp.version), std::exception);
  EXPECT_EQ(WinVersion::WindowsMajorVersion, 0);
}

}  // namespace
}  // namespace hush
