#include <gtest/gtest.h>

#include "app/Form1.h"
#include "hotkeys/ShortCuts.h"
#include "platform/failure.h"
#include "tests/fake/fake_platform.h"
#include "volume/WinVersion.h"

namespace hush {
namespace {

constexpr std::uint32_t kMods = 6;

class Arming : public ::testing::Test {
 protected:
  void SetUp() override {
    Form1::FillKeyList(form.Combo1);
    Form1::FillKeyList(form.Combo2);
    form.Combo1.SetListIndex(16);  // Q
    form.Combo2.SetListIndex(0);   // A
    fp.log.calls.clear();
    fp.settings.saves.clear();
    WinVersion::WindowsMajorVersion = 10;  // steps show up as endpoint writes
    ShortCuts::IncreaseHotkeyId = ShortCuts::DecreaseHotkeyId = 0;  // as at process start
  }
  // Arms and pumps; the script stops the pump after the given pass.
  void ArmAndPumpFor(int passes) {
    auto previous = fp.messages.onWait;
    fp.messages.onWait = [this, passes, previous](int pass) {
      if (previous) previous(pass);
      if (pass >= passes) ShortCuts::StopProcessing = true;
    };
    form.Timer1_Timer();
    fp.messages.onWait = previous;
  }
  int Raises() const { return Count(true); }
  int Lowers() const { return Count(false); }
  // Steps by direction: each write against the level before it (the fake starts at 0.5).
  int Count(bool up) const {
    int n = 0;
    float before = 0.5f;
    for (float level : fp.audio.levelsWritten) {
      n += (level > before) == up;
      before = level;
    }
    return n;
  }

  fake::FakePlatform fp;
  Form1 form{fp.platform};
};

TEST_F(Arming, RegistersBothShortcutsShowsTheWindowAndPumps) {
  ArmAndPumpFor(1);
  const std::vector<std::string> expected = {
      "GlobalAddAtomA A00F1", "UnregisterHotKey 4660 49152", "RegisterHotKey 4660 49152 6 81",
      "GlobalAddAtomA A00F2", "UnregisterHotKey 4660 49153", "RegisterHotKey 4660 49153 6 65",
      "Show",                 "WaitMessage",                 "PeekMessageA 4660 786 786 1",
      "DoEvents"};
  EXPECT_EQ(fp.log.calls, expected);
  EXPECT_TRUE(form.AutoRedraw);
  EXPECT_EQ(ShortCuts::IncreaseHotkeyId, 49152);
  EXPECT_TRUE(fp.box.shown.empty());
}

TEST_F(Arming, EachPressStepsOnceInItsDirection) {
  fp.messages.onWait = [this](int pass) {
    if (pass == 1) fp.hotkeys.Press(kMods, 'Q');
    if (pass == 2) fp.hotkeys.Press(kMods, 'A');
    if (pass == 3) fp.hotkeys.Press(kMods, 'Z');  // not ours: nothing happens
  };
  ArmAndPumpFor(4);
  EXPECT_EQ(Raises(), 1);
  EXPECT_EQ(Lowers(), 1);
  EXPECT_EQ(fp.audio.levelsWritten.size(), 2u);
}

TEST_F(Arming, AHotkeyMessageWithAnotherIdentifierDoesNothing) {
  fp.messages.onWait = [this](int pass) {
    if (pass == 1) fp.messages.Post({fp.window.handle, platform::kWmHotkey, 7, 0, 0, 0, 0});
  };
  ArmAndPumpFor(2);
  EXPECT_TRUE(fp.audio.levelsWritten.empty());
}

TEST_F(Arming, PressesQueuedBehindASlowStepAreDropped) {
  fp.messages.onWait = [this](int pass) {
    if (pass == 1)
      for (int i = 0; i < 4; ++i) fp.hotkeys.Press(kMods, 'Q');  // key repeats piling up
    if (pass == 2) fp.hotkeys.Press(kMods, 'Q');
  };
  ArmAndPumpFor(3);
  EXPECT_EQ(Raises(), 2);  // one per pass, never more
  EXPECT_EQ(fp.messages.dropped, 3);
}

TEST_F(Arming, SameLetterInBothListsRaises) {
  form.Combo2.SetListIndex(16);
  fp.messages.onWait = [this](int pass) {
    if (pass == 1) fp.hotkeys.Press(kMods, 'Q');
  };
  ArmAndPumpFor(2);
  EXPECT_EQ(Raises(), 1);
  EXPECT_EQ(Lowers(), 0);
  EXPECT_TRUE(fp.box.shown.empty());
}

// Re-arming after the increase list took the letter the decrease list holds: the letter raises, as at
// a first arming, and nothing of the old increase letter is left.
TEST_F(Arming, TakingTheDecreaseLetterForIncreaseMakesItRaise) {
  ArmAndPumpFor(1);
  form.Combo1.SetListIndex(0);  // A, which the decrease list holds
  fp.messages.passes = 0;       // the passes of the second pump count from 1
  fp.messages.onWait = [this](int pass) {
    if (pass == 1) fp.hotkeys.Press(kMods, 'A');
    if (pass == 2) fp.hotkeys.Press(kMods, 'Q');  // the old increase letter: free, nothing happens
  };
  ArmAndPumpFor(3);
  EXPECT_EQ(Raises(), 1);
  EXPECT_EQ(Lowers(), 0);
  ASSERT_EQ(fp.hotkeys.registered.size(), 1u);
  EXPECT_EQ(fp.hotkeys.registered[0].id, ShortCuts::IncreaseHotkeyId);
  EXPECT_TRUE(fp.box.shown.empty());
}

TEST_F(Arming, CombinationHeldByAnotherProgramIsIgnoredSilently) {
  fp.hotkeys.heldByOthers.push_back({kMods, 'Q'});
  fp.messages.onWait = [this](int pass) {
    if (pass == 1) fp.hotkeys.Press(kMods, 'A');
  };
  ArmAndPumpFor(2);
  EXPECT_TRUE(fp.box.shown.empty());
  EXPECT_EQ(Lowers(), 1);
  EXPECT_NE(form.Label1.Caption().find("Ctrl+Shift+Q"), std::string::npos);
}

TEST_F(Arming, EmptyKeyTextGivesTheBoxAtItsLineAndTheRestStillRuns) {
  form.Combo1.SetListIndex(-1);
  fp.messages.onWait = [this](int pass) {
    if (pass == 1) fp.hotkeys.Press(kMods, 'A');
  };
  ArmAndPumpFor(2);
  ASSERT_EQ(fp.box.shown.size(), 1u);
  EXPECT_NE(fp.box.shown[0].text.find("\r\nin Hushdial2021/08/31.Form1.Timer1_Timer at line 104\r\r"),
            std::string::npos);
  EXPECT_EQ(Lowers(), 1);

  fake::FakePlatform other;
  Form1 second{other.platform};
  Form1::FillKeyList(second.Combo1);
  second.Combo1.SetListIndex(3);  // Combo2 has only the prefix-less empty text
  other.messages.onWait = [](int) { ShortCuts::StopProcessing = true; };
  second.Timer1_Timer();
  ASSERT_EQ(other.box.shown.size(), 1u);
  EXPECT_NE(other.box.shown[0].text.find("Timer1_Timer at line 108\r\r"), std::string::npos);
  EXPECT_EQ(other.hotkeys.registered.size(), 1u);
}

TEST_F(Arming, ChangingTheLetterStopsThePumpAndTheNextTickArmsItWithTheOldOneReleased) {
  form.Timer1.SetInterval(10);
  form.Timer1.SetEnabled(true);
  ASSERT_TRUE(fp.timer.running);
  fp.messages.onDoEvents = [&](int pass) {
    if (pass == 2) form.Combo1.SetListIndex(22);  // the user picks W
  };
  fp.messages.maxPasses = 50;
  fp.timer.Tick();  // arms Q, pumps until the change
  EXPECT_EQ(fp.messages.passes, 2);  // left at the top of the very next pass
  EXPECT_FALSE(fp.messages.ranAway);
  EXPECT_EQ(fp.settings.saves, (std::vector<std::string>{"Combo1=22"}));

  fp.messages.onDoEvents = nullptr;
  fp.messages.onWait = [&](int pass) {
    if (pass == 3) {
      fp.hotkeys.Press(kMods, 'Q');  // released: nothing
      fp.hotkeys.Press(kMods, 'W');
    }
    if (pass == 4) ShortCuts::StopProcessing = true;
  };
  fp.timer.Tick();  // the next tick arms W
  EXPECT_TRUE(fp.hotkeys.Holds('W'));
  EXPECT_FALSE(fp.hotkeys.Holds('Q'));
  EXPECT_EQ(Raises(), 1);
}

TEST_F(Arming, TicksDuringTheTickAreDroppedAndNeverArmASecondPump) {
  form.Timer1.SetInterval(10);
  form.Timer1.SetEnabled(true);
  fp.messages.onDoEvents = [this](int pass) {
    fp.timer.Tick();  // ticks fall due inside the pump's event processing
    if (pass == 3) ShortCuts::StopProcessing = true;
  };
  fp.timer.Tick();
  EXPECT_EQ(fp.log.Count("RegisterHotKey"), 2u);
  EXPECT_EQ(form.Timer1.DroppedTicks(), 3);
  EXPECT_FALSE(form.Timer1.InTick());
  form.Timer1.SetEnabled(false);
  EXPECT_FALSE(fp.timer.running);
}

TEST(ProcessMessages, FailingLinesContinueAsTheirTableSays) {
  fake::FakePlatform fp;
  WinVersion::WindowsMajorVersion = 10;
  ShortCuts::IncreaseHotkeyId = 49152;
  ShortCuts::DecreaseHotkeyId = 49153;
  const int& pass = fp.messages.passes;
  fp.messages.onWait = [&](int p) {
    if (p == 1) fp.messages.Post({0x1234, platform::kWmHotkey, 49152, 0, 0, 0, 0});
    if (p == 5) ShortCuts::StopProcessing = true;
  };
  fp.messages.failWait = [&] {
    if (pass == 2) throw platform::Failure("wait failed");  // pass counter is bumped before the hook
  };
  fp.messages.failPeek = [&] {
    if (pass == 3) throw platform::Failure("peek failed");
  };
  fp.messages.failDoEvents = [&] {
    if (pass == 4) throw platform::Failure("events failed");
  };
  ShortCuts::ProcessMessages(fp.platform, [] { return platform::WindowHandle{0x1234}; });
  ASSERT_EQ(fp.box.shown.size(), 3u);
  EXPECT_EQ(fp.box.shown[0].text.rfind("wait failed\r\nin Hushdial2021/08/31.ShortCuts.ProcessMessages at line 102\r\r", 0), 0u);
  EXPECT_NE(fp.box.shown[1].text.find("ProcessMessages at line 104\r\r"), std::string::npos);
  EXPECT_NE(fp.box.shown[2].text.find("ProcessMessages at line 114\r\r"), std::string::npos);
  // Pass 1 took the press; pass 3's failed peek acts on the record still holding it.
  EXPECT_EQ(fp.audio.levelsWritten.size(), 2u);
  EXPECT_EQ(fp.messages.passes, 5);
}

TEST(ProcessMessages, StopsAtTheTopOfAPassBeforeWaiting) {
  fake::FakePlatform fp;
  ShortCuts::StopProcessing = true;
  ShortCuts::ProcessMessages(fp.platform, [] { return platform::WindowHandle{1}; });
  EXPECT_EQ(fp.messages.passes, 0);
}

TEST(ProcessMessages, ReadsTheWindowHandleAfreshOnEveryPass) {
  fake::FakePlatform fp;
  platform::WindowHandle handle = 10;
  fp.messages.onWait = [&](int p) {
    handle = static_cast<platform::WindowHandle>(10 + p);
    if (p == 2) ShortCuts::StopProcessing = true;
  };
  ShortCuts::ProcessMessages(fp.platform, [&] { return handle; });
  EXPECT_EQ(fp.log.Starting("PeekMessageA"),
            (std::vector<std::string>{"PeekMessageA 11 786 786 1", "PeekMessageA 12 786 786 1"}));
}

TEST(KeyCode, IsTheCharacterAfterThePrefix) {
  EXPECT_EQ(ShortCuts::KeyCode("Ctrl+Shift+W"), 87u);
  EXPECT_EQ(ShortCuts::KeyCode("Ctrl+Shift+QX"), 81u);
  EXPECT_THROW(ShortCuts::KeyCode("Ctrl+Shift+"), platform::Failure);
  EXPECT_THROW(ShortCuts::KeyCode(""), platform::Failure);
}

}  // namespace
}  // namespace hush
