// hushdial from a shell: which option does what, and a step that reports in one line, never in a box.
#include <gtest/gtest.h>

#include <vector>

#include "app/CommandLine.h"
#include "tests/fake/fake_platform.h"
#include "volume/WinVersion.h"

namespace hush {
namespace {

using CommandLine::Action;

Action ActionOf(std::vector<const char*> args) {
  args.insert(args.begin(), "hushdial");
  return CommandLine::Parse(static_cast<int>(args.size()), args.data()).action;
}

TEST(CommandLine, EachOptionAndTheToolkitsOwnLeftAlone) {
  EXPECT_EQ(ActionOf({}), Action::Window);
  EXPECT_EQ(ActionOf({"--raise"}), Action::Raise);
  EXPECT_EQ(ActionOf({"--lower"}), Action::Lower);
  EXPECT_EQ(ActionOf({"--help"}), Action::Help);
  EXPECT_EQ(ActionOf({"-h"}), Action::Help);
  EXPECT_EQ(ActionOf({"--version"}), Action::Version);
  EXPECT_EQ(ActionOf({"-platform", "xcb"}), Action::Window);  // Qt's options open the window as before
  EXPECT_EQ(ActionOf({"-platform", "xcb", "--lower"}), Action::Lower);
  EXPECT_EQ(ActionOf({"--raise", "--raise"}), Action::Raise);
  EXPECT_EQ(ActionOf({"--raise", "--lower"}), Action::Wrong);
  EXPECT_EQ(ActionOf({"--version", "--help"}), Action::Wrong);
  EXPECT_EQ(ActionOf({"--platform", "wayland", "-style=fusion", "-reverse", "--raise"}), Action::Raise);
  EXPECT_EQ(ActionOf({"-display", ":1"}), Action::Window);
  // The value of a toolkit option is never taken for one of Hushdial's.
  EXPECT_EQ(ActionOf({"-title", "--raise"}), Action::Window);
}

// A mistyped option, in a shortcut the user wrote, is said: no window with shortcuts of its own.
TEST(CommandLine, AnythingElseIsAMistakeThatIsNamed) {
  auto problem = [](std::vector<const char*> args) {
    args.insert(args.begin(), "hushdial");
    const CommandLine::Parsed parsed = CommandLine::Parse(static_cast<int>(args.size()), args.data());
    return parsed.action == Action::Wrong ? parsed.problem : std::string("not wrong");
  };
  EXPECT_EQ(problem({"--rasie"}), "unknown option --rasie");
  EXPECT_EQ(problem({"--raise=1"}), "unknown option --raise=1");
  EXPECT_EQ(problem({"-platformx"}), "unknown option -platformx");
  EXPECT_EQ(problem({"--raise", "-x"}), "unknown option -x");
  EXPECT_EQ(problem({"raise"}), "unexpected argument raise");
  EXPECT_EQ(problem({"-"}), "unexpected argument -");
  EXPECT_EQ(problem({"-reverse=1"}), "unknown option -reverse=1");
}

TEST(CommandLine, HelpNamesEveryOptionAndVersionTheRelease) {
  const std::string help = CommandLine::HelpText();
  for (const char* option : {"--raise", "--lower", "--help", "--version"}) EXPECT_NE(help.find(option), std::string::npos);
  EXPECT_EQ(CommandLine::VersionText().rfind("Hushdial ", 0), 0u);
  EXPECT_EQ(CommandLine::VersionText().back(), '\n');
}

TEST(CommandLine, TheLineBoxKeepsTheFirstFailureOnOneLine) {
  CommandLine::LineBox box;
  box.MessageBoxA("Error 5 at line 104\r\nin VolumeSet.SetVolume\n\nWrite to us.", "Hushdial", 0);
  box.MessageBoxA("a second box", "Hushdial", 0);
  EXPECT_EQ(box.Line(), "Hushdial: Error 5 at line 104 in VolumeSet.SetVolume Write to us.");
}

struct Stepping {
  fake::FakePlatform fp;
  CommandLine::LineBox box;
  std::string message;
  explicit Stepping(std::uint32_t major) { fp.version.answer.dwMajorVersion = major; }
  int Step(bool up) { return CommandLine::Step(box, fp.audio, fp.mixer, fp.version, up, message); }
};

TEST(CommandLine, AStepTakesThePathOfThisSystemAsAShortcutDoes) {
  Stepping endpoint(6);
  endpoint.fp.audio.script.level = 0.5f;
  EXPECT_EQ(endpoint.Step(true), 0);
  ASSERT_EQ(endpoint.fp.audio.levelsWritten.size(), 1u);
  EXPECT_FLOAT_EQ(endpoint.fp.audio.levelsWritten[0], 0.51f);
  EXPECT_EQ(endpoint.fp.log.Count("mixerSetControlDetails"), 0u);

  Stepping mixer(5);
  EXPECT_EQ(mixer.Step(false), 0);
  EXPECT_EQ(mixer.fp.mixer.written.size(), 1u);
  EXPECT_TRUE(mixer.fp.audio.levelsWritten.empty());
}

TEST(CommandLine, NothingToStepIsSaidInsteadOfDoneSilently) {
  Stepping noServer(10);
  noServer.fp.audio.script.hasDevice = false;
  EXPECT_EQ(noServer.Step(true), 1);
  EXPECT_NE(noServer.message.find("no sound server"), std::string::npos);
  EXPECT_TRUE(noServer.fp.audio.levelsWritten.empty());

  Stepping noControl(5);
  noControl.fp.mixer.script.hasVolumeControl = false;
  EXPECT_EQ(noControl.Step(true), 1);
  EXPECT_TRUE(noControl.fp.mixer.written.empty());
}

// A step has no box to show (it is given the line box alone): its report is the one line.
TEST(CommandLine, AFailedStepEndsWithItsReportOnOneLine) {
  Stepping failing(10);
  failing.fp.log.failOn = "SetMasterVolumeLevelScalar";
  EXPECT_EQ(failing.Step(true), 1);
  EXPECT_NE(failing.message.find("VolumeSet.SetVolumeNew"), std::string::npos) << failing.message;
  EXPECT_EQ(failing.message.find('\n'), std::string::npos);
}

}  // namespace
}  // namespace hush
