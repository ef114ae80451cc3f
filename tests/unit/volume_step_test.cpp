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

}  // namespace
}  // namespace hush
