#include <gtest/gtest.h>

#include <cstring>

#include "tests/fake/fake_platform.h"
#include "volume/VolumeSet.h"
#include "volume/cAEndpointVolClb.h"
#include "volume/mCoreAudio.h"
#include "volume/mIID.h"

namespace hush {
namespace {

class CoreAudioPath : public ::testing::Test {
 protected:
  fake::FakePlatform fp;
  void Step(bool up) { VolumeSet::SetVolumeNew(fp.platform, up); }
};

TEST_F(CoreAudioPath, HalfLevelMovesByOneHundredthAsSinglePrecision) {
  fp.audio.script.level = 0.50f;
  Step(true);
  fp.audio.script.level = 0.50f;
  Step(false);
  ASSERT_EQ(fp.audio.levelsWritten.size(), 2u);
  EXPECT_EQ(fp.audio.levelsWritten[0], static_cast<float>(0.50 + 0.01));
  EXPECT_EQ(fp.audio.levelsWritten[1], static_cast<float>(0.50 - 0.01));
  EXPECT_TRUE(fp.box.shown.empty());
}

TEST_F(CoreAudioPath, LevelsAreKeptWithinZeroAndOne) {
  fp.audio.script.level = 1.0f;
  Step(true);
  fp.audio.script.level = 0.0f;
  Step(false);
  fp.audio.script.level = 0.995f;
  Step(true);
  fp.audio.script.level = 0.004f;
  Step(false);
  EXPECT_EQ(fp.audio.levelsWritten, (std::vector<float>{1.0f, 0.0f, 1.0f, 0.0f}));
  EXPECT_FLOAT_EQ(fp.audio.script.level, 0.0f);
  EXPECT_TRUE(fp.box.shown.empty());
}

TEST_F(CoreAudioPath, AboveFullARaiseKeepsTheLevelAndALowerStepsDownFromIt) {
  fp.audio.script.level = 1.5f;
  Step(true);
  fp.audio.script.level = 1.5f;
  Step(false);
  ASSERT_EQ(fp.audio.levelsWritten.size(), 2u);
  EXPECT_EQ(fp.audio.levelsWritten[0], 1.5f);
  EXPECT_EQ(fp.audio.levelsWritten[1], static_cast<float>(1.5 - 0.01));
}

TEST_F(CoreAudioPath, CallsInOrderWithTheirArgumentsAndReleasesEverything) {
  Step(true);
  const std::vector<std::string> expected = {
      "CreateDeviceEnumerator",      "GetDefaultAudioEndpoint 0 1",   "Activate clsctx=1",
      "RegisterControlChangeNotify", "GetMasterVolumeLevelScalar",   "SetMasterVolumeLevelScalar",
      "UnregisterControlChangeNotify", "Release enumerator",          "Release device",
      "Release endpoint volume"};
  EXPECT_EQ(fp.log.calls, expected);
  EXPECT_EQ(fp.audio.lastActivationIid, mCoreAudio::IID_IAudioEndpointVolume());
  ASSERT_TRUE(fp.audio.lastActivationParams.has_value());
  EXPECT_EQ(fp.audio.lastActivationParams->vt, 2);
  EXPECT_EQ(fp.audio.lastActivationParams->iVal, 0);
  ASSERT_EQ(fp.audio.contextsWritten.size(), 1u);
  EXPECT_EQ(fp.audio.contextsWritten[0], mIID::GUID_NULL());
  EXPECT_EQ(fp.audio.registeredSinks, 0);
}

TEST_F(CoreAudioPath, StepsLeaveNoRegistrationBehind) {
  for (int i = 0; i < 5; ++i) Step(i % 2 == 0);
  EXPECT_EQ(fp.audio.registeredSinks, 0);
}

TEST_F(CoreAudioPath, EnumeratorThatCantBeCreatedGivesBoxesAtLines100And102) {
  fp.audio.script.enumeratorFails = true;
  Step(true);
  ASSERT_EQ(fp.box.shown.size(), 2u);
  EXPECT_EQ(fp.box.shown[0].text.rfind("Class not registered\r\nin Hushdial2021/08/31.VolumeSet.SetVolumeNew at line 100\r\r", 0), 0u);
  EXPECT_NE(fp.box.shown[1].text.find("in Hushdial2021/08/31.VolumeSet.SetVolumeNew at line 102\r\r"), std::string::npos);
  EXPECT_TRUE(fp.audio.levelsWritten.empty());
}

TEST_F(CoreAudioPath, NoDeviceOrNoEndpointVolumeIsSilent) {
  fp.audio.script.hasDevice = false;
  Step(true);
  EXPECT_EQ(fp.log.Count("Activate"), 0u);
  EXPECT_EQ(fp.log.Count("Release enumerator"), 1u);
  fp.audio.script.hasDevice = true;
  fp.audio.script.hasEndpointVolume = false;
  Step(false);
  EXPECT_EQ(fp.log.Count("RegisterControlChangeNotify"), 0u);
  EXPECT_EQ(fp.log.Count("Release device"), 1u);
  EXPECT_TRUE(fp.audio.levelsWritten.empty());
  EXPECT_TRUE(fp.box.shown.empty());
}

TEST_F(CoreAudioPath, FailedLevelReadStepsFromZero) {
  fp.audio.script.level = 0.7f;
  fp.audio.script.getLevelStatus = platform::kFail;
  Step(true);
  Step(false);
  EXPECT_EQ(fp.audio.levelsWritten, (std::vector<float>{0.01f, 0.0f}));
  EXPECT_TRUE(fp.box.shown.empty());
}

TEST_F(CoreAudioPath, TenRaisesFromHalfGiveSixTenths) {
  fp.audio.script.level = 0.50f;
  for (int i = 0; i < 10; ++i) Step(true);
  EXPECT_NEAR(fp.audio.script.level, 0.60f, 1e-5);
}

TEST_F(CoreAudioPath, ChangeMadeMeanwhileIsSteppedFrom) {
  fp.audio.script.level = 0.30f;
  Step(true);
  fp.audio.script.level = 0.80f;  // another program moved it
  Step(true);
  EXPECT_NEAR(fp.audio.script.level, 0.81f, 1e-6);
}

TEST(EndpointIdentifiers, AreThePublishedOnes) {
  const platform::Guid iid = mCoreAudio::IID_IAudioEndpointVolume();
  EXPECT_EQ(iid.Data1, 0x5CDF2C82u);
  EXPECT_EQ(iid.Data2, 0x841E);
  EXPECT_EQ(iid.Data3, 0x4546);
  const std::uint8_t tail[8] = {0x97, 0x22, 0x0C, 0xF7, 0x40, 0x78, 0x22, 0x9A};
  EXPECT_EQ(0, std::memcmp(iid.Data4, tail, 8));
  EXPECT_EQ(iid, platform::kIidAudioEndpointVolume);
  EXPECT_EQ(mIID::GUID_NULL(), (platform::Guid{0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}}));
  cAEndpointVolClb sink;
  EXPECT_EQ(sink.OnNotify(nullptr), platform::kOk);
}

}  // namespace
}  // namespace hush
