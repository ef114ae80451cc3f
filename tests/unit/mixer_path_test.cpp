#include <gtest/gtest.h>

#include "tests/fake/fake_platform.h"
#include "volume/VolumeSet.h"

namespace hush {
namespace {

class MixerPath : public ::testing::Test {
 protected:
  fake::FakePlatform fp;
  void Step(bool up) { VolumeSet::SetVolumeOld(fp.platform, up); }
  std::vector<std::int32_t> Steps(bool up, int n) {
    for (int i = 0; i < n; ++i) Step(up);
    return fp.mixer.written;
  }
};

TEST_F(MixerPath, RaisesFromZeroMoveTwoPercentPerStep) {
  fp.mixer.script.value = 0;
  EXPECT_EQ(Steps(true, 5), (std::vector<std::int32_t>{1024, 2335, 3645, 4956, 6267}));
  EXPECT_TRUE(fp.box.shown.empty());
}

TEST_F(MixerPath, LowersFromFullMoveTwoPercentPerStep) {
  fp.mixer.script.value = 65535;
  EXPECT_EQ(Steps(false, 4), (std::vector<std::int32_t>{64511, 63200, 61890, 60579}));
}

TEST_F(MixerPath, ValuesAreKeptWithinTheControlsBounds) {
  fp.mixer.script.value = 64880;  // reads as 99 percent; unclamped it would write 65904
  Step(true);
  fp.mixer.script.value = 65535;  // 100 percent; unclamped 66559
  Step(true);
  fp.mixer.script.value = 655;  // 1 percent; unclamped -369, which the mixer reads as 4294966927
  Step(false);
  fp.mixer.script.value = 0;
  Step(false);
  EXPECT_EQ(fp.mixer.written, (std::vector<std::int32_t>{65535, 65535, 0, 0}));
}

TEST_F(MixerPath, AboveFullARaiseLeavesTheLevelAndALowerStartsFromIt) {
  // A sound server's sink at 150 % of a 0..65536 control.
  fp.mixer.script.lMaximum = 65536;
  fp.mixer.script.value = 98304;
  Step(true);
  Step(false);
  EXPECT_EQ(fp.mixer.written, (std::vector<std::int32_t>{98304, 98304 - 1024}));
}

TEST_F(MixerPath, ConversionRoundsHalvesToEven) {
  platform::MixerControl control{};
  control.lMinimum = 0;
  control.lMaximum = 65535;
  EXPECT_EQ(VolumeSet::NextMixerValue(5, true, control), 3277 + 1024);   // 3276.75
  EXPECT_EQ(VolumeSet::NextMixerValue(10, true, control), 6554 + 1024);  // 6553.5 goes to the even 6554
  EXPECT_EQ(VolumeSet::RoundToInt32(2.5), 2);
  EXPECT_EQ(VolumeSet::RoundToInt32(3.5), 4);
  EXPECT_EQ(VolumeSet::RoundToInt32(-2.5), -2);
  EXPECT_THROW(VolumeSet::RoundToInt32(2147483648.0), std::exception);
}

TEST_F(MixerPath, AControlsOwnRangeIsItsScale) {
  // A driver's 0..100: two points a step either way, and a lower never goes to full.
  fp.mixer.script.lMaximum = 100;
  fp.mixer.script.value = 40;
  Step(true);
  fp.mixer.script.value = 40;
  Step(false);
  EXPECT_EQ(fp.mixer.written, (std::vector<std::int32_t>{42, 38}));
  platform::MixerControl wide{};
  wide.lMaximum = 100000000;
  EXPECT_EQ(VolumeSet::NextMixerValue(40, true, wide), 40000000 + 1562524);
  platform::MixerControl offset{};
  offset.lMinimum = -6000;
  offset.lMaximum = 0;
  EXPECT_EQ(VolumeSet::NextMixerValue(50, false, offset), -3000 - 94);
  platform::MixerControl full{};  // all of 32 bits: no overflow on the way
  full.lMinimum = -2147483647 - 1;
  full.lMaximum = 2147483647;
  EXPECT_EQ(VolumeSet::NextMixerValue(100, true, full), 2147483647);
}

TEST_F(MixerPath, AControlWithFewPositionsMovesOneEveryStep) {
  // A Master of 0..31: every raise from the bottom to the top moves, and every lower back down.
  fp.mixer.script.lMaximum = 31;
  fp.mixer.script.value = 0;
  for (int i = 0; i < 31; ++i) {
    Step(true);
    fp.mixer.script.value = static_cast<std::uint32_t>(fp.mixer.written.back());
  }
  EXPECT_EQ(fp.mixer.written.back(), 31);
  EXPECT_EQ(fp.mixer.written.size(), 31u);
  for (std::size_t i = 1; i < fp.mixer.written.size(); ++i) EXPECT_GT(fp.mixer.written[i], fp.mixer.written[i - 1]);
  fp.mixer.written.clear();
  for (int i = 0; i < 31; ++i) {
    Step(false);
    fp.mixer.script.value = static_cast<std::uint32_t>(fp.mixer.written.back());
  }
  EXPECT_EQ(fp.mixer.written.back(), 0);
}

TEST_F(MixerPath, LargeRangeControlReadsWithoutOverflow) {
  fp.mixer.script.lMaximum = 2000000000;
  fp.mixer.script.value = 1000000000;  // x 100 does not fit 32 bits
  Step(true);
  EXPECT_TRUE(fp.box.shown.empty());
  EXPECT_EQ(fp.mixer.written, (std::vector<std::int32_t>{1000000000 + 31250477}));  // 50 percent, one step up
}

TEST_F(MixerPath, RecordsAndCallsAsLaidOut) {
  fp.mixer.script.value = 32768;
  Step(true);
  const std::vector<std::string> expected = {
      "mixerOpen 0 0",
      "mixerGetLineInfoA cb=168 type=4 flags=3",
      "mixerGetLineControlsA cb=24 line=4294901760 type=1342373889 n=1 size=152 flags=2",
      "mixerGetControlDetailsA id=7 ch=1 size=4 flags=0",
      "mixerSetControlDetails id=7 value=33792 flags=0",
      "mixerClose 257"};
  EXPECT_EQ(fp.log.calls, expected);
  EXPECT_EQ(VolumeSet::SpeakerVolumeControl.dwControlID, 7u);
  EXPECT_EQ(VolumeSet::SpeakerVolumeControl.lMaximum, 65535);
}

TEST_F(MixerPath, EveryStepClosesItsHandle) {
  Steps(true, 3);
  EXPECT_EQ(fp.mixer.openHandles, 0);
  fp.mixer.script.hasSpeakersLine = false;
  Step(true);
  EXPECT_EQ(fp.mixer.openHandles, 0);
}

TEST_F(MixerPath, MissingDeviceLineOrControlIsSilent) {
  fp.mixer.script.openResult = 2;
  Step(true);
  EXPECT_EQ(fp.log.Count("mixerGetLineInfoA"), 0u);
  EXPECT_EQ(fp.log.Count("mixerClose"), 0u);
  fp.mixer.script.openResult = 0;
  fp.mixer.script.hasSpeakersLine = false;
  Step(true);
  fp.mixer.script.hasSpeakersLine = true;
  fp.mixer.script.hasVolumeControl = false;
  Step(false);
  EXPECT_TRUE(fp.mixer.written.empty());
  EXPECT_TRUE(fp.box.shown.empty());
}

TEST_F(MixerPath, FailedDetailsReadCountsAsZero) {
  fp.mixer.script.value = 40000;
  fp.mixer.script.getDetailsFails = true;
  Step(true);
  EXPECT_EQ(fp.mixer.written, (std::vector<std::int32_t>{1024}));
}

TEST_F(MixerPath, OverflowInThePercentIsReportedAtLine102AndTheStepGoesOn) {
  // A value far outside a tiny range: its percent is beyond 32 bits, the read fails, and the step
  // writes from 0 percent.
  fp.mixer.script.lMinimum = 0;
  fp.mixer.script.lMaximum = 1;
  fp.mixer.script.value = 0x7FFFFFFF;
  Step(true);
  ASSERT_EQ(fp.box.shown.size(), 1u);
  EXPECT_EQ(fp.box.shown[0].text.rfind("Overflow\r\nin Hushdial2021/08/31.VolumeSet.SetVolumeOld at line 102\r\r", 0), 0u);
  EXPECT_EQ(fp.mixer.written, std::vector<std::int32_t>{1});
}

}  // namespace
}  // namespace hush
