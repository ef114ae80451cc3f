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

TEST(VersionNames, ByMajorMinorAndProductType) {
  using WinVersion::WindowsProductName;
  EXPECT_EQ(WindowsProductName(Version(3, 51, 0, 2)), "Windows NT 3.5 Server");
  EXPECT_EQ(WindowsProductName(Version(4, 0, 0)), "Windows NT 4.0 Workstation");
  EXPECT_EQ(WindowsProductName(Version(5, 0, 0, 3)), "Windows 2000 Server");
  EXPECT_EQ(WindowsProductName(Version(5, 3, 0)), "Unrecognized Version");
  EXPECT_EQ(WindowsProductName(Version(6, 0, 0, 3)), "Windows Server 2008");
  EXPECT_EQ(WindowsProductName(Version(6, 3, 0)), "Windows 8.1");
  EXPECT_EQ(WindowsProductName(Version(6, 2, 0, 2)), "Windows Server 2012");
  EXPECT_EQ(WindowsProductName(Version(7, 0, 0)), "Unrecognized Version");
  EXPECT_EQ(WindowsProductName(Version(2, 0, 0)), "Unrecognized Version");
  EXPECT_TRUE(WinVersion::IsServerProduct(Version(6, 1, 0, 0)));
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
