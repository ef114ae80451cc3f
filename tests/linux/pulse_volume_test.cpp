// The volume step against a private PulseAudio server with a null sink (started by tools/test).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/linux/alsa_mixer.h"
#include "platform/linux/pulse_core_audio.h"
#include "tests/fake/fake_platform.h"
#include "tests/support/pactl.h"
#include "volume/VolumeSet.h"
#include "volume/WinVersion.h"
#include "volume/mCoreAudio.h"

namespace hush {
namespace {

using platform::linux_backend::AlsaMixer;
using platform::linux_backend::LinuxCoreAudio;

class PulseVolume : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveTestServer()) GTEST_SKIP() << "needs the private sound server that tools/test starts";
  }
  // Real endpoint and mixer services; message boxes are recorded.
  fake::FakePlatform fp;
  LinuxCoreAudio audio{""};
  AlsaMixer mixer{"default"};
  platform::Platform real = fp.With(audio, mixer);

  void Steps(std::int16_t major, bool up, int n) {
    WinVersion::WindowsMajorVersion = major;
    for (int i = 0; i < n; ++i) VolumeSet::SetVolume(real, up);
  }
};

TEST_F(PulseVolume, TenRaisesFromHalfGiveSixtyPercent) {
  test::SetSinkVolume("50%");
  Steps(10, true, 10);
  EXPECT_EQ(test::SinkPercent(), 60);
  Steps(10, false, 3);
  EXPECT_EQ(test::SinkPercent(), 57);
  EXPECT_TRUE(fp.box.shown.empty());
}

TEST_F(PulseVolume, FullStaysFullAndZeroStaysZero) {
  test::SetSinkVolume("100%");
  Steps(6, true, 2);
  EXPECT_EQ(test::SinkPercents(), (std::vector<int>{100, 100}));
  test::SetSinkVolume("0%");
  Steps(6, false, 2);
  EXPECT_EQ(test::SinkPercents(), (std::vector<int>{0, 0}));
  Steps(6, true, 1);
  EXPECT_EQ(test::SinkPercent(), 1);
  EXPECT_TRUE(fp.box.shown.empty());
}

TEST_F(PulseVolume, AboveFullARaiseLeavesTheSinkAndALowerTakesOnePointOff) {
  test::SetSinkVolume("150%");
  Steps(10, true, 2);
  EXPECT_EQ(test::SinkPercent(), 150);
  Steps(10, false, 1);
  EXPECT_EQ(test::SinkPercent(), 149);
  EXPECT_TRUE(fp.box.shown.empty());
}

TEST_F(PulseVolume, AStepKeepsTheBalanceBetweenChannels) {
  test::SetSinkVolume("40% 20%");
  Steps(10, true, 10);
  const auto percents = test::SinkPercents();
  ASSERT_EQ(percents.size(), 2u);
  EXPECT_EQ(percents[0], 50);
  EXPECT_EQ(percents[1], 25);
}

TEST_F(PulseVolume, MixerPathThroughAlsaMovesTwoPointsPerStep) {
  test::SetSinkVolume("50%");
  Steps(5, true, 1);
  EXPECT_EQ(test::SinkPercent(), 52);
  Steps(5, true, 1);
  EXPECT_EQ(test::SinkPercent(), 54);
  Steps(5, false, 2);
  EXPECT_EQ(test::SinkPercent(), 50);
  EXPECT_EQ(mixer.OpenHandles(), 0u);
  EXPECT_TRUE(fp.box.shown.empty());
}

TEST_F(PulseVolume, ChangeNotificationReachesARegisteredSink) {
  struct Counter : platform::IAudioEndpointVolumeCallback {
    std::atomic<int> calls{0};
    platform::HResult OnNotify(const void*) override {
      ++calls;
      return platform::kOk;
    }
  };
  auto enumerator = audio.CreateDeviceEnumerator();
  std::unique_ptr<platform::IMMDevice> device;
  ASSERT_EQ(enumerator->GetDefaultAudioEndpoint(platform::eRender, platform::eMultimedia, &device), platform::kOk);
  std::unique_ptr<platform::IAudioEndpointVolume> volume;
  const platform::PropVariantI2 params{platform::kVtI2, 0};
  ASSERT_EQ(device->Activate(mCoreAudio::IID_IAudioEndpointVolume(), 1, &params, &volume), platform::kOk);
  auto counter = std::make_shared<Counter>();
  ASSERT_EQ(volume->RegisterControlChangeNotify(counter), platform::kOk);
  float level = 0;
  ASSERT_EQ(volume->GetMasterVolumeLevelScalar(&level), platform::kOk);  // the subscription has landed
  test::SetSinkVolume("33%");
  for (int i = 0; i < 200 && counter->calls == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_GT(counter->calls.load(), 0);
  EXPECT_EQ(volume->UnregisterControlChangeNotify(counter), platform::kOk);
  const int seen = counter->calls;
  test::SetSinkVolume("34%");
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(counter->calls.load(), seen);
}

TEST_F(PulseVolume, WithoutAServerAStepChangesNothingAndShowsNothing) {
  test::SetSinkVolume("50%");
  const char* saved = std::getenv("PULSE_SERVER");
  const std::string server = saved ? saved : "";
  setenv("PULSE_SERVER", "unix:/nonexistent/hushdial-no-server", 1);
  {
    LinuxCoreAudio noServer{""};  // and no ALSA card to fall back on
    AlsaMixer noMixer{"default"};
    platform::Platform none = fp.With(noServer, noMixer);
    WinVersion::WindowsMajorVersion = 10;
    VolumeSet::SetVolume(none, true);
    WinVersion::WindowsMajorVersion = 5;
    VolumeSet::SetVolume(none, true);
  }
  if (saved) setenv("PULSE_SERVER", server.c_str(), 1);
  EXPECT_EQ(test::SinkPercent(), 50);
  EXPECT_TRUE(fp.box.shown.empty());
}

TEST(PulseWithoutLoop, AStepIsAsWithoutASoundServer) {
  // The sound library's event thread could not be made: no crash, no box, the fallback is asked.
  fake::FakePlatform fp;
  LinuxCoreAudio noLoop{"", true};
  platform::Platform none = fp.With(noLoop, fp.mixer);
  auto enumerator = noLoop.CreateDeviceEnumerator();
  std::unique_ptr<platform::IMMDevice> device;
  EXPECT_EQ(enumerator->GetDefaultAudioEndpoint(platform::eRender, platform::eMultimedia, &device),
            platform::kNotFound);
  WinVersion::WindowsMajorVersion = 10;
  VolumeSet::SetVolume(none, true);
  EXPECT_TRUE(fp.box.shown.empty());
}

}  // namespace
}  // namespace hush
