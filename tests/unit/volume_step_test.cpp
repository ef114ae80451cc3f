#include <gtest/gtest.h>

#include "tests/fake/fake_platform.h"
#include "volume/VolumeSet.h"
#include "volume/WinVersion.h"

namespace hush {
namespace {

struct PathCase {
  std::int16_t major;
  bool core;
};

class PathByVersion : public ::testing::TestWithParam<PathCase> {};

TEST_P(PathByVersion, TakesThePathTheVersionCallsFor) {
  fake::FakePlatform fp;
  WinVersion::WindowsMajorVersion = GetParam().major;
  VolumeSet::SetVolume(fp.platform, true);
  EXPECT_EQ(fp.log.Count("CreateDeviceEnumerator"), GetParam().core ? 1u : 0u);
  EXPECT_EQ(fp.log.Count("mixerOpen"), GetParam().core ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Versions, PathByVersion,
                         ::testing::Values(PathCase{0, false}, PathCase{-1, false}, PathCase{5, false},
                                           PathCase{6, true}, PathCase{10, true}, PathCase{11, true}));

TEST(VolumeStep, PathFailuresStayInsideThePath) {
  fake::FakePlatform fp;
  WinVersion::WindowsMajorVersion = 10;
  fp.audio.script.enumeratorFails = true;
  VolumeSet::SetVolume(fp.platform, false);
  for (const auto& box : fp.box.shown) EXPECT_EQ(box.text.find("VolumeSet.SetVolume at"), std::string::npos);
  EXPECT_EQ(fp.box.shown.size(), 2u);
}

TEST(VolumeStep, NoAudioOutputChangesNothingAndShowsNothing) {
  fake::FakePlatform fp;
  fp.audio.script.hasDevice = false;
  fp.mixer.script.openResult = 2;
  for (std::int16_t major : {std::int16_t{5}, std::int16_t{10}}) {
    WinVersion::WindowsMajorVersion = major;
    VolumeSet::SetVolume(fp.platform, true);
  }
  EXPECT_TRUE(fp.box.shown.empty());
  EXPECT_TRUE(fp.audio.levelsWritten.empty());
  EXPECT_TRUE(fp.mixer.written.empty());
}


// Every call of either path failing in turn: the lines its box names, and whether the step still
// writes a level, as the path goes on after a failure or ends.
struct FailCase {
  std::int16_t major;
  const char* call;
  bool up;
  std::vector<int> lines;
  bool writes;
};

class FailingCall : public ::testing::TestWithParam<FailCase> {};

TEST_P(FailingCall, ReportsItsLineAndGoesOnAsThePathSays) {
  const FailCase& c = GetParam();
  fake::FakePlatform fp;
  WinVersion::WindowsMajorVersion = c.major;
  fp.mixer.script.value = 32768;
  fp.log.failOn = c.call;
  VolumeSet::SetVolume(fp.platform, c.up);
  const std::string where = c.major >= 6 ? "VolumeSet.SetVolumeNew at line " : "VolumeSet.SetVolumeOld at line ";
  std::vector<int> lines;
  for (const auto& box : fp.box.shown) {
    const auto at = box.text.find(where);
    ASSERT_NE(at, std::string::npos) << box.text;
    lines.push_back(std::stoi(box.text.substr(at + where.size())));
  }
  EXPECT_EQ(lines, c.lines) << c.call;
  EXPECT_GT(fp.log.Count(c.call), 0u) << c.call << " was never made, so its failure was never met";
  const bool wrote = c.major >= 6 ? !fp.audio.levelsWritten.empty() : !fp.mixer.written.empty();
  EXPECT_EQ(wrote, c.writes) << c.call;
  // Nothing is left behind, but for what the failing release call itself kept.
  const std::string call = c.call;
  if (call != "UnregisterControlChangeNotify") {
    EXPECT_EQ(fp.audio.registeredSinks, 0);
  }
  if (call != "mixerClose") {
    EXPECT_EQ(fp.mixer.openHandles, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Calls, FailingCall,
    ::testing::Values(FailCase{10, "CreateDeviceEnumerator", true, {100, 102}, false},
                      FailCase{10, "GetDefaultAudioEndpoint", true, {102}, false},
                      FailCase{10, "Activate", true, {106}, false},
                      FailCase{10, "RegisterControlChangeNotify", true, {114}, true},
                      FailCase{10, "GetMasterVolumeLevelScalar", false, {116}, true},
                      FailCase{10, "SetMasterVolumeLevelScalar", true, {120}, false},
                      FailCase{10, "SetMasterVolumeLevelScalar", false, {122}, false},
                      FailCase{10, "UnregisterControlChangeNotify", true, {}, true},
                      FailCase{5, "mixerOpen", true, {100}, false},
                      FailCase{5, "mixerGetLineInfoA", true, {104}, true},
                      FailCase{5, "mixerGetLineControlsA", false, {104}, true},
                      FailCase{5, "mixerGetControlDetailsA", true, {102}, true},
                      FailCase{5, "mixerSetControlDetails", true, {108}, false},
                      FailCase{5, "mixerSetControlDetails", false, {110}, false},
                      FailCase{5, "mixerClose", true, {}, true}));

}  // namespace
}  // namespace hush
