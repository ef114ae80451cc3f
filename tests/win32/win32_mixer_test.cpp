// The winmm mixer inside Wine, which needs a sound server behind it (tools/test starts one).
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/win32/win32_platform.h"
#include "tests/fake/fake_platform.h"
#include "volume/VolumeSet.h"
#include "volume/WinVersion.h"

namespace hush {
namespace {

using namespace platform::win32;

class Win32Audio : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("HUSHDIAL_TEST_PULSE")) GTEST_SKIP() << "needs the private sound server that tools/test starts";
  }
  ComApartment apartment;
  fake::FakePlatform fp;
  Win32CoreAudio audio;
  Win32Mixer mixer;
  platform::Platform real = fp.With(audio, mixer);
};

TEST_F(Win32Audio, MixerOpenFindReadWriteRoundTrip) {
  platform::MixerHandle32 handle = 0;
  ASSERT_EQ(mixer.mixerOpen(&handle, 0, 0, 0, 0), 0u) << "Wine offers no mixer device";
  platform::MixerControl control{};
  ASSERT_TRUE(VolumeSet::FindMixerControl(mixer, handle, platform::kMixerLineComponentTypeDstSpeakers,
                                          platform::kMixerControlTypeVolume, control));
  EXPECT_EQ(control.lMinimum, 0);
  EXPECT_EQ(control.lMaximum, 65535);
  ASSERT_TRUE(VolumeSet::WriteControlValue(mixer, handle, control, 32768));
  EXPECT_EQ(VolumeSet::ReadControlPercent(mixer, handle, control), 50);
  EXPECT_EQ(mixer.mixerClose(handle), 0u);

  WinVersion::WindowsMajorVersion = 5;
  VolumeSet::SetVolume(real, true);
  ASSERT_EQ(mixer.mixerOpen(&handle, 0, 0, 0, 0), 0u);
  EXPECT_EQ(VolumeSet::ReadControlPercent(mixer, handle, control), 52);
  mixer.mixerClose(handle);
  EXPECT_EQ(mixer.OpenHandles(), 0u);
  EXPECT_TRUE(fp.box.shown.empty());
}

}  // namespace
}  // namespace hush
