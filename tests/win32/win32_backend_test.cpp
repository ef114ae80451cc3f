// The Win32 backends inside Wine: version query, Core Audio without a sound server, the winmm mixer.
#include <gtest/gtest.h>

#include <windows.h>


#include "platform/win32/win32_platform.h"
#include "tests/fake/fake_platform.h"
#include "tests/win32/win32_thread.h"
#include "volume/VolumeSet.h"
#include "volume/WinVersion.h"
#include "volume/mCoreAudio.h"

namespace hush {
namespace {

using namespace platform::win32;

TEST(Win32Version, WineReportsWindows7AndTheEndpointPath) {
  fake::FakePlatform fp;
  Win32Version version;
  platform::OsVersionInfoExW info{};
  info.dwOSVersionInfoSize = sizeof info;
  ASSERT_EQ(version.RtlGetVersion(&info), 0);
  EXPECT_EQ(info.dwMajorVersion, 6u);
  EXPECT_EQ(info.dwMinorVersion, 1u);
  EXPECT_EQ(info.dwBuildNumber, 7601u);
  const std::string text = WinVersion::WindowsVersionText(version);
  EXPECT_NE(text.find("Windows 7"), std::string::npos) << text;
  EXPECT_NE(text.find("(v6.1.7601)"), std::string::npos) << text;
  EXPECT_EQ(WinVersion::WindowsMajorVersion, 6);
}

class Win32Audio : public ::testing::Test {
 protected:
  ComApartment apartment;
  fake::FakePlatform fp;
  Win32CoreAudio audio;
  Win32Mixer mixer;
  platform::Platform real = fp.With(audio, mixer);
};

TEST_F(Win32Audio, WithoutASoundServerThereIsNoEndpointAndTheStepIsSilent) {
  auto enumerator = audio.CreateDeviceEnumerator();
  ASSERT_TRUE(enumerator);
  std::unique_ptr<platform::IMMDevice> device;
  EXPECT_EQ(enumerator->GetDefaultAudioEndpoint(platform::eRender, platform::eMultimedia, &device),
            platform::kNotFound);
  EXPECT_FALSE(device);
  WinVersion::WindowsMajorVersion = 6;
  VolumeSet::SetVolume(real, true);
  VolumeSet::SetVolume(real, false);
  EXPECT_TRUE(fp.box.shown.empty());
}

TEST(Win32AudioNoCom, EnumeratorCreationFailureIsReportedAtLines100And102) {
  // A thread that never entered a COM apartment can't create the enumerator.
  fake::FakePlatform fp;
  Win32CoreAudio audio;
  platform::Platform real = fp.With(audio, fp.mixer);
  test::Win32Thread([&] { VolumeSet::SetVolumeNew(real, true); }).join();
  ASSERT_EQ(fp.box.shown.size(), 2u);
  EXPECT_NE(fp.box.shown[0].text.find("SetVolumeNew at line 100\r\r"), std::string::npos) << fp.box.shown[0].text;
  EXPECT_NE(fp.box.shown[1].text.find("SetVolumeNew at line 102\r\r"), std::string::npos);
}

// XP has only the 32-bit tick count, which wraps every 49.7 days; the program's clock must not.
TEST(Win32Clock, TheWidenedTickCountGoesOnThroughTheWrap) {
  TickWidener widener;
  EXPECT_EQ(widener.Widen(0xFFFFFF00u), 0xFFFFFF00ll);
  EXPECT_EQ(widener.Widen(0xFFFFFFFFu), 0xFFFFFFFFll);
  EXPECT_EQ(widener.Widen(0x10u), 0x100000010ll);  // wrapped
  EXPECT_EQ(widener.Widen(0x10u), 0x100000010ll);  // the same tick again is no wrap
  EXPECT_EQ(widener.Widen(0x7FFFFFFFu), 0x17FFFFFFFll);
  EXPECT_EQ(widener.Widen(0x5u), 0x200000005ll);  // and the next one
}

// The 32-bit tick count of a system that has been up for 49.7 days less 200 ms: wraps 200 ms from now.
DWORD g_wrapsSoonBase = 0;
unsigned long __stdcall TickCountWrappingSoon() {
  return static_cast<DWORD>(0xFFFFFFFFu - 200u + (::GetTickCount() - g_wrapsSoonBase));
}

TEST(Win32Clock, OnXpTheClockIsTheWidenedTickCountAndGoesOnThroughItsWrap) {
  Win32Clock xp(nullptr, &::GetTickCount);  // as on XP: no GetTickCount64
  const auto system = static_cast<std::int64_t>(::GetTickCount64());
  const std::int64_t now = xp.MonotonicMs();
  EXPECT_GE(now, (system & 0xFFFFFFFF) - 5);
  EXPECT_LT(now, (system & 0xFFFFFFFF) + 1000);

  g_wrapsSoonBase = ::GetTickCount();
  Win32Clock wrapping(nullptr, &TickCountWrappingSoon);
  const std::int64_t before = wrapping.MonotonicMs();
  EXPECT_GT(before, 0xFFFFFF00ll);
  std::int64_t last = before;
  while (last - before < 400) {
    ::Sleep(10);
    const std::int64_t next = wrapping.MonotonicMs();
    ASSERT_GE(next, last) << "the clock went back at the wrap";
    ASSERT_LT(next - last, 1000) << "the clock jumped at the wrap";
    last = next;
  }
  EXPECT_GT(last, 0x100000000ll);  // past the wrap, still counting up
}

TEST(Win32Clock, TheClockIsTheSystemsTickCountAndMovesOn) {
  Win32Clock clock;
  const std::int64_t first = clock.MonotonicMs();
  const auto system = static_cast<std::int64_t>(::GetTickCount64());
  EXPECT_LE(first, system);
  EXPECT_GT(first, system - 1000);
  std::int64_t later = first;
  for (int i = 0; i < 100 && later == first; ++i) {
    ::Sleep(20);
    later = clock.MonotonicMs();
  }
  EXPECT_GT(later, first);
}

}  // namespace
}  // namespace hush
