// The volume step against a private PulseAudio server with a null sink (started by tools/test).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/linux/alsa_mixer.h"
#include "platform/linux/alsa_simple_mixer.h"
#include "platform/linux/pulse_core_audio.h"
#include "tests/fake/fake_platform.h"
#include "tests/support/pactl.h"
#include "tests/support/sound_server.h"
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

TEST_F(PulseVolume, MixerPathAboveFullARaiseLeavesTheSinkAndALowerStartsFromIt) {
  test::SetSinkVolume("150%");
  Steps(5, true, 2);
  EXPECT_EQ(test::SinkPercent(), 150);
  Steps(5, false, 1);
  EXPECT_EQ(test::SinkPercent(), 148);
  EXPECT_TRUE(fp.box.shown.empty());
}

TEST_F(PulseVolume, MixerPathKeepsOneAlsaMixerForTheRun) {
  test::SetSinkVolume("50%");
  Steps(5, true, 3);
  test::SetSinkVolume("20%");  // another client's change is seen by the kept mixer
  Steps(5, true, 1);
  EXPECT_EQ(test::SinkPercent(), 22);
  EXPECT_EQ(mixer.AlsaOpens(), 1);
  EXPECT_EQ(mixer.OpenHandles(), 0u);
}

TEST_F(PulseVolume, AStepFollowsTheDefaultSinkWhenItMoves) {
  // Kept processing, as the harness's own sink is: a PipeWire null sink that has never run ignores
  // volume changes.
  const std::string module =
      test::Run("pactl load-module module-null-sink sink_name=hushdial_other sink_properties=node.always-process=true");
  test::SetSinkVolume("50%");
  Steps(10, true, 1);  // the first sink is now the one known
  test::Run("pactl set-default-sink hushdial_other");
  test::Run("pactl set-sink-volume hushdial_other 30%");
  // A change of the old sink after the move must not make it the known one again.
  test::Run("pactl set-sink-volume hushdial_test 40%");
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  Steps(10, true, 1);
  const int other = test::SinkPercent();
  test::Run("pactl set-default-sink hushdial_test");
  test::Run("pactl unload-module " + module.substr(0, module.find_first_of("\r\n")));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(other, 31);
  EXPECT_EQ(test::SinkPercent(), 40);
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
  if (saved)
    setenv("PULSE_SERVER", server.c_str(), 1);
  else
    unsetenv("PULSE_SERVER");
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

TEST(AlsaRawStep, EveryStepOnAControlOfFewPositionsMovesOneUnit) {
  using platform::linux_backend::AlsaSimpleMixer;
  const AlsaSimpleMixer::Range master31{0, 31};
  // From the bottom to the top by 0.01 raises and back by 0.01 lowers, as the step asks them.
  long raw = 0;
  for (int i = 0; i < 31; ++i) {
    const long next = AlsaSimpleMixer::RawForLevel(raw, master31, static_cast<double>(raw) / 31.0 + 0.01);
    ASSERT_EQ(next, raw + 1) << "raise from " << raw;
    raw = next;
  }
  EXPECT_EQ(AlsaSimpleMixer::RawForLevel(31, master31, 1.0), 31);  // at the top a raise stays
  for (int i = 0; i < 31; ++i) {
    const long next = AlsaSimpleMixer::RawForLevel(raw, master31, static_cast<double>(raw) / 31.0 - 0.01);
    ASSERT_EQ(next, raw - 1) << "lower from " << raw;
    raw = next;
  }
  EXPECT_EQ(AlsaSimpleMixer::RawForLevel(0, master31, 0.0), 0);
  // A fine control takes the nearest value, and a level written back unchanged leaves it.
  const AlsaSimpleMixer::Range fine{0, 65536};
  EXPECT_EQ(AlsaSimpleMixer::RawForLevel(32768, fine, 0.51), 33423);
  EXPECT_EQ(AlsaSimpleMixer::RawForLevel(10, master31, static_cast<float>(10 / 31.0)), 10);
  EXPECT_EQ(AlsaSimpleMixer::RawForLevel(-10, {-20, 0}, 0.75), -5);
}

std::size_t OpenDescriptors() {
  return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                                std::filesystem::directory_iterator()));
}
long ResidentKb() {
  std::ifstream statm("/proc/self/statm");
  long size = 0, resident = 0;
  statm >> size >> resident;
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

TEST_F(PulseVolume, TenThousandStepsOnEachPathLeaveDescriptorsAndMemoryFlat) {
  for (const std::int16_t major : {std::int16_t{10}, std::int16_t{5}}) {
    test::SetSinkVolume("50%");
    Steps(major, true, 100);  // connections, plugins and caches are made once
    Steps(major, false, 100);
    const std::size_t fds = OpenDescriptors();
    const long rss = ResidentKb();
    for (int i = 0; i < 5000; ++i) {
      Steps(major, true, 1);
      Steps(major, false, 1);
    }
    EXPECT_EQ(OpenDescriptors(), fds) << "path of version " << major;
#ifndef __SANITIZE_ADDRESS__  // its quarantine holds freed memory on purpose; LeakSanitizer watches there
    EXPECT_LT(ResidentKb() - rss, 2048) << "path of version " << major;
#else
    (void)rss;
#endif
  }
  EXPECT_EQ(mixer.OpenHandles(), 0u);
  EXPECT_TRUE(fp.box.shown.empty());
}

TEST(SoundServerRestart, StepsStopWithTheServerAndWorkAgainWhenItIsBack) {
  if (!test::CanRestartSoundServer()) GTEST_SKIP() << "needs the private sound server that tools/test starts";
  fake::FakePlatform fp;
  LinuxCoreAudio audio{""};
  AlsaMixer mixer{"default"};
  platform::Platform real = fp.With(audio, mixer);
  for (const std::int16_t major : {std::int16_t{10}, std::int16_t{5}}) {
    WinVersion::WindowsMajorVersion = major;
    test::SetSinkVolume("50%");
    VolumeSet::SetVolume(real, true);
    EXPECT_EQ(test::SinkPercent(), major == 10 ? 51 : 52) << "version " << major;
  }
  ASSERT_TRUE(test::StopSoundServer());
  for (const std::int16_t major : {std::int16_t{10}, std::int16_t{5}}) {
    WinVersion::WindowsMajorVersion = major;
    VolumeSet::SetVolume(real, true);
    VolumeSet::SetVolume(real, false);
  }
  EXPECT_TRUE(fp.box.shown.empty());
  ASSERT_TRUE(test::StartSoundServer());
  for (const std::int16_t major : {std::int16_t{10}, std::int16_t{5}}) {
    WinVersion::WindowsMajorVersion = major;
    test::SetSinkVolume("30%");
    VolumeSet::SetVolume(real, true);
    EXPECT_EQ(test::SinkPercent(), major == 10 ? 31 : 32) << "version " << major << " after the restart";
  }
  EXPECT_TRUE(fp.box.shown.empty());
}

}  // namespace
}  // namespace hush
