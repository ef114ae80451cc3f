#include <gtest/gtest.h>

#include "app/Form1.h"
#include "hotkeys/ShortCuts.h"
#include "platform/failure.h"
#include "system/RegStuff.h"
#include "tests/fake/fake_platform.h"

namespace hush {
namespace {

class Options : public ::testing::Test {
 protected:
  void SetUp() override {
    Form1::FillKeyList(form.Combo1);
    Form1::FillKeyList(form.Combo2);
    fp.registry.AddKey(platform::kHkeyLocalMachine, RegStuff::kRunKey);
    fp.registry.AddKey(platform::kHkeyCurrentUser, RegStuff::kRunKey);
  }
  fake::FakeRegistry::KeyData& MachineRun() { return *fp.registry.Find(platform::kHkeyLocalMachine, RegStuff::kRunKey); }

  fake::FakePlatform fp;
  Form1 form{fp.platform};
};

TEST_F(Options, StatusTextNamesBothShortcuts) {
  form.Combo1.SetListIndex(16);
  form.Combo2.SetListIndex(0);
  EXPECT_EQ(form.Label1.Caption(),
            "Software is on.\r\nPress Ctrl+Shift+Q to increase volume and Ctrl+Shift+A to decrease volume.");
  form.Combo1.SetListIndex(-1);
  EXPECT_EQ(form.Label1.Caption(),
            "Software is on.\r\nPress  to increase volume and Ctrl+Shift+A to decrease volume.");
}

TEST_F(Options, ChoosingALetterSavesItShowsItAndStopsThePump) {
  form.Combo1.SetListIndex(22);
  EXPECT_EQ(fp.settings.saves, (std::vector<std::string>{"Combo1=22"}));
  EXPECT_NE(form.Label1.Caption().find("Press Ctrl+Shift+W to increase"), std::string::npos);
  EXPECT_TRUE(ShortCuts::StopProcessing);
  ShortCuts::StopProcessing = false;
  form.Combo1.SetListIndex(22);  // already selected: nothing runs
  EXPECT_EQ(fp.settings.saves.size(), 1u);
  EXPECT_FALSE(ShortCuts::StopProcessing);
  form.Combo2.SetListIndex(22);  // the same letter may be chosen twice
  form.Combo2.SetListIndex(-1);
  EXPECT_EQ(fp.settings.saves, (std::vector<std::string>{"Combo1=22", "Combo2=22", "Combo2=-1"}));
  form.Combo2_Change();  // an edit does what a pick does
  EXPECT_EQ(fp.settings.saves.back(), "Combo2=-1");
  EXPECT_EQ(fp.settings.saves.size(), 4u);
}

TEST_F(Options, PositionsOutsideTheListCantBeSelected) {
  EXPECT_THROW(form.Combo1.SetListIndex(26), platform::Failure);
  EXPECT_THROW(form.Combo1.SetListIndex(-2), platform::Failure);
  EXPECT_EQ(form.Combo1.ListIndex(), -1);
  EXPECT_TRUE(fp.settings.saves.empty());
}

// The option names the system the program runs on; the setting keeps its stored name everywhere.
TEST_F(Options, TheStartupOptionNamesThisSystemAndKeepsItsSettingsKey) {
#ifdef _WIN32
  EXPECT_EQ(form.Check4.Caption(), "Load this software on Windows startup");
#else
  EXPECT_EQ(form.Check4.Caption(), "Load this software on startup");
#endif
  form.Check4.SetValue(1);
  EXPECT_EQ(fp.settings.saves, (std::vector<std::string>{"Windows Startup=On"}));
}

TEST_F(Options, StartupOptionOnShowsTrayOptionAndWritesTheEntry) {
  form.Check4.SetValue(1);
  EXPECT_TRUE(form.Check8.Visible());
  EXPECT_EQ(fp.settings.saves, (std::vector<std::string>{"Windows Startup=On"}));
  ASSERT_EQ(MachineRun().values.count("Hushdial.exe"), 1u);
  EXPECT_EQ(MachineRun().values["Hushdial.exe"].Text(), "\"C:\\Program Files\\Hushdial\\Hushdial.exe\"");
  EXPECT_EQ(MachineRun().values["Hushdial.exe"].type, platform::kRegSz);
}

TEST_F(Options, ClearingStartupWhileTrayIsCheckedSavesInOrderAndRemovesTheEntry) {
  form.Check4.SetValue(1);
  form.Check8.SetValue(1);
  EXPECT_EQ(fp.window.shows, 0);  // the tray option only changes the next start
  fp.settings.saves.clear();
  form.Check4.SetValue(0);
  EXPECT_EQ(fp.settings.saves, (std::vector<std::string>{"Minimized=Off", "Windows Startup=Off"}));
  EXPECT_FALSE(form.Check8.Visible());
  EXPECT_EQ(form.Check8.Value(), 0);
  EXPECT_TRUE(MachineRun().values.empty());
  form.Check4.SetValue(1);
  EXPECT_TRUE(form.Check8.Visible());
  EXPECT_EQ(form.Check8.Value(), 0);
}

TEST_F(Options, CheckBoxesTakeOnlyZeroOrOne) {
  EXPECT_THROW(form.Check8.SetValue(2), platform::Failure);
  form.Check8.SetValue(0);  // unchanged: no click
  EXPECT_TRUE(fp.settings.saves.empty());
}

}  // namespace
}  // namespace hush

namespace hush {
namespace {

class Restore : public ::testing::Test {
 protected:
  void Store(const std::string& key, const std::string& value) {
    fp.settings.values[std::string(kSettingsApp) + "|" + kProductName + "|" + key] = value;
  }
  fake::FakePlatform fp;
  Form1 form{fp.platform};
};

TEST_F(Restore, FirstStartSelectsQAndAAndSavesThem) {
  fp.registry.AddKey(platform::kHkeyLocalMachine, RegStuff::kRunKey);
  form.Form_Load();
  EXPECT_EQ(form.Combo1.Text(), "Ctrl+Shift+Q");
  EXPECT_EQ(form.Combo2.Text(), "Ctrl+Shift+A");
  EXPECT_EQ(*fp.settings.Value("Combo1"), "16");
  EXPECT_EQ(*fp.settings.Value("Combo2"), "0");
  EXPECT_EQ(form.Check4.Value(), 0);
  EXPECT_FALSE(form.Check8.Visible());
  EXPECT_TRUE(form.Timer1.Running());
  EXPECT_EQ(form.Timer1.Interval(), 10u);
  EXPECT_EQ(form.Label1.BackColor(), 0xFFFFFFu);
  EXPECT_TRUE(fp.box.shown.empty());
}

struct StoredCase {
  std::string stored;
  int position;
};

class StoredPosition : public ::testing::TestWithParam<StoredCase> {};

TEST_P(StoredPosition, SelectsByTheNumberTheTextBeginsWith) {
  fake::FakePlatform fp;
  Form1 form{fp.platform};
  fp.settings.values[std::string(kSettingsApp) + "|" + kProductName + "|Combo1"] = GetParam().stored;
  form.Form_Load();
  EXPECT_EQ(form.Combo1.ListIndex(), GetParam().position);
  EXPECT_TRUE(fp.box.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Texts, StoredPosition,
                         ::testing::Values(StoredCase{"25", 25}, StoredCase{"26", -1}, StoredCase{"abc", 0},
                                           StoredCase{"2.5", 2}, StoredCase{"3.5", 4}, StoredCase{" 7xyz", 7},
                                           StoredCase{"-1", -1}));

TEST_F(Restore, APositionBelowMinusOneGivesTheBoxAtLine140) {
  Store("Combo1", "-2");
  form.Form_Load();
  ASSERT_EQ(fp.box.shown.size(), 1u);
  EXPECT_NE(fp.box.shown[0].text.find("in Hushdial2021/08/31.Form1.Form_Load at line 140\r\r"), std::string::npos);
  EXPECT_EQ(form.Combo1.ListIndex(), -1);
  EXPECT_TRUE(form.Timer1.Running());  // the sequence goes on
}

TEST_F(Restore, OnlyTheExactTextOnCountsAndTheTrayOptionNeedsTheStartupOption) {
  Store("Windows Startup", "on");
  Store("Minimized", "On");
  form.Form_Load();
  EXPECT_EQ(form.Check4.Value(), 0);
  EXPECT_EQ(form.Check8.Value(), 1);
  EXPECT_FALSE(form.Check8.Visible());
  EXPECT_EQ(form.Me.WindowState(), 0);
}

TEST_F(Restore, TheTrayOptionInLowerCaseIsOff) {
  fp.registry.AddKey(platform::kHkeyLocalMachine, RegStuff::kRunKey);
  Store("Windows Startup", "On");
  Store("Minimized", "on");
  form.Form_Load();
  EXPECT_TRUE(form.Check8.Visible());
  EXPECT_EQ(form.Check8.Value(), 0);
  EXPECT_EQ(form.Me.WindowState(), 0);  // opens normally
}

TEST_F(Restore, StartupOnRewritesTheEntryAndStartsMinimised) {
  auto& run = fp.registry.AddKey(platform::kHkeyLocalMachine, RegStuff::kRunKey);
  Store("Windows Startup", "On");
  Store("Minimized", "On");
  form.Form_Load();
  EXPECT_TRUE(form.Check8.Visible());
  EXPECT_EQ(form.Check8.Value(), 1);
  EXPECT_EQ(form.Me.WindowState(), 1);
  EXPECT_EQ(run.values.count("Hushdial.exe"), 1u);
}

}  // namespace
}  // namespace hush
