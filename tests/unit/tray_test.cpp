#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/failure.h"
#include "tests/fake/fake_platform.h"
#include "tray/cSysTray.h"

namespace hush {
namespace {

using platform::NotifyIconDataA;

struct FakeContainer : IControlContainer {
  bool UserMode() override { return userMode; }
  void PropertyChanged(const std::string& name) override { changed.push_back(name); }
  bool userMode = true;
  std::vector<std::string> changed;
};

// A text field as the shell must see it: the text, one NUL, blanks to the end.
std::string Field(const std::string& text, std::size_t size) {
  std::string field = text;
  field += '\0';
  field.append(size - field.size(), ' ');
  return field;
}
std::string Bytes(const char* field, std::size_t size) { return std::string(field, size); }
bool AllZero(const char* field, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i)
    if (field[i] != 0) return false;
  return true;
}

// A record with the given header and every other byte zero, padding included.
NotifyIconDataA Expected(platform::WindowHandle hwnd) {
  NotifyIconDataA record;
  std::memset(&record, 0, sizeof record);
  record.cbSize = platform::kNotifyIconDataSize;
  record.hWnd = hwnd;
  return record;
}
void ExpectSameBytes(const NotifyIconDataA& actual, const NotifyIconDataA& expected) {
  EXPECT_EQ(0, std::memcmp(&actual, &expected, sizeof actual));
  EXPECT_EQ(actual.cbSize, expected.cbSize);
  EXPECT_EQ(actual.uFlags, expected.uFlags);
  EXPECT_EQ(actual.uCallbackMessage, expected.uCallbackMessage);
  EXPECT_EQ(actual.hIcon, expected.hIcon);
  EXPECT_EQ(actual.uTimeout, expected.uTimeout);
}

class Tray : public ::testing::Test {
 protected:
  // The shell telling the control's window about its icon.
  std::intptr_t Shell(std::int32_t notification, std::uintptr_t id = 0) {
    return fp.tray.Send(tray.hWnd(), mSysTray::TrayCallbackMessage, id, notification);
  }
  void PutInTray() {
    tray.SetTrayTip(kProduct);
    tray.SetTrayIcon(fp.pictures.icon);
    tray.SetInTray(true);
    fp.tray.sent.clear();
    fp.log.calls.clear();
    container.changed.clear();
  }
  const fake::FakeTray::Sent& Last() const { return fp.tray.sent.back(); }

  static constexpr const char* kProduct = "Sonoquill Soft and Loud Speaker Dial Using Hotpress Chords";
  fake::FakePlatform fp;
  FakeContainer container;
  cSysTray tray{fp.platform, container};
};

TEST_F(Tray, EveryShellCallSendsAFreshRecordLaidOutAsTheShellReadsIt) {
  tray.SetTrayTip(kProduct);
  tray.SetTrayIcon(fp.pictures.icon);
  tray.SetInTray(true);
  ASSERT_EQ(fp.tray.sent.size(), 1u);
  NotifyIconDataA add = Expected(tray.hWnd());
  add.uFlags = 1 | 2 | 4;
  add.uCallbackMessage = 1125;
  add.hIcon = 0x1C0;
  std::memcpy(add.szTip, Field(kProduct, 128).data(), 128);
  EXPECT_EQ(fp.tray.sent[0].message, platform::kNimAdd);
  ExpectSameBytes(fp.tray.sent[0].data, add);

  auto other = std::make_shared<platform::Picture>(platform::Picture{platform::kPicTypeIcon, 0x2D0});
  tray.SetTrayIcon(other);
  NotifyIconDataA icon = Expected(tray.hWnd());
  icon.uFlags = 2;
  icon.hIcon = 0x2D0;
  EXPECT_EQ(Last().message, platform::kNimModify);
  ExpectSameBytes(Last().data, icon);

  tray.SetTrayTip("Volume");
  NotifyIconDataA tip = Expected(tray.hWnd());
  tip.uFlags = 4;
  std::memcpy(tip.szTip, Field("Volume", 128).data(), 128);
  EXPECT_EQ(Last().message, platform::kNimModify);
  ExpectSameBytes(Last().data, tip);

  tray.ShowBalloon("Click on the blue 'B' icon", "Title", -1, false);
  NotifyIconDataA balloon = Expected(tray.hWnd());
  balloon.uFlags = 16;
  std::memcpy(balloon.szInfo, Field("Click on the blue 'B' icon", 256).data(), 256);
  std::memcpy(balloon.szInfoTitle, Field("Title", 64).data(), 64);
  EXPECT_EQ(Last().message, platform::kNimModify);
  ExpectSameBytes(Last().data, balloon);

  tray.ShowBalloon("Text", "Title", 2, false);  // nothing closes it: the wait runs out
  NotifyIconDataA hide = Expected(tray.hWnd());
  hide.uFlags = 16;
  hide.uTimeout = 2000;
  std::memcpy(hide.szInfo, Field("", 256).data(), 256);
  std::memcpy(hide.szInfoTitle, Field("", 64).data(), 64);
  EXPECT_EQ(Last().message, platform::kNimModify);
  ExpectSameBytes(Last().data, hide);
  EXPECT_EQ(fp.tray.sent[fp.tray.sent.size() - 2].data.uTimeout, 2000u);

  tray.SetInTray(false);
  EXPECT_EQ(Last().message, platform::kNimDelete);
  ExpectSameBytes(Last().data, Expected(tray.hWnd()));
}

TEST_F(Tray, TipsAreUpdatedInTheTrayAndOtherwiseKeptForTheNextAdd) {
  tray.SetTrayTip("first");
  EXPECT_TRUE(fp.tray.sent.empty());
  tray.SetInTray(true);
  EXPECT_EQ(Last().data.uFlags, 1u | 4u);  // no icon given: no icon flag
  EXPECT_EQ(Bytes(Last().data.szTip, 128), Field("first", 128));

  tray.SetTrayTip("");  // an empty tip is still sent while in the tray
  EXPECT_EQ(Last().data.uFlags, 4u);
  EXPECT_EQ(Bytes(Last().data.szTip, 128), Field("", 128));
  EXPECT_EQ(tray.Text(), "");

  tray.SetInTray(false);
  tray.SetInTray(true);  // ... but the add then sets none
  EXPECT_EQ(Last().message, platform::kNimAdd);
  EXPECT_EQ(Last().data.uFlags, 1u);
  EXPECT_TRUE(AllZero(Last().data.szTip, 128));
}

TEST_F(Tray, LongTextsKeepTheirFirstCharactersAndNeverSplitOne) {
  tray.SetInTray(true);
  tray.SetTrayTip(std::string(200, 'x'));
  EXPECT_EQ(Bytes(Last().data.szTip, 128), std::string(127, 'x') + '\0');

  tray.ShowBalloon(std::string(300, 'b'), std::string(70, 't'), 0, false);
  EXPECT_EQ(Bytes(Last().data.szInfo, 256), std::string(255, 'b') + '\0');
  EXPECT_EQ(Bytes(Last().data.szInfoTitle, 64), std::string(63, 't') + '\0');

  // Two bytes a character in the code page: 63 whole characters fit in 127 bytes, the 64th doesn't.
  std::string umlauts;
  for (int i = 0; i < 100; ++i) umlauts += "\xC3\xBC";
  tray.SetTrayTip(umlauts);
  EXPECT_EQ(Bytes(Last().data.szTip, 128), Field(umlauts.substr(0, 126), 128));
  // A three-byte character that would end past the field is left out whole.
  tray.SetTrayTip(std::string(125, 'a') + "\xE2\x82\xAC" + "z");
  EXPECT_EQ(Bytes(Last().data.szTip, 128), Field(std::string(125, 'a'), 128));
  EXPECT_EQ(tray.TrayTip(), std::string(125, 'a') + "\xE2\x82\xAC" + "z");  // the property keeps it all
}

TEST_F(Tray, InTrayOrdersAndDesignTime) {
  tray.SetTrayIcon(fp.pictures.icon);
  container.changed.clear();
  fp.log.calls.clear();
  tray.SetInTray(true);
  EXPECT_EQ(fp.log.calls, (std::vector<std::string>{"SetWindowLongA proc", "SetWindowLongA userdata",
                                                    "Shell_NotifyIconA 0 flags=3"}));
  EXPECT_EQ(container.changed, std::vector<std::string>{"InTray"});
  EXPECT_EQ(fp.tray.windows[tray.hWnd()].proc, reinterpret_cast<std::intptr_t>(&mSysTray::TrayWindowProc));
  EXPECT_EQ(mSysTray::PreviousWndProc, fake::FakeTray::kOwnProc);

  // The same value again: nothing at all, not even a change to store.
  fp.log.calls.clear();
  container.changed.clear();
  tray.SetInTray(true);
  EXPECT_TRUE(fp.log.calls.empty());
  EXPECT_TRUE(container.changed.empty());

  tray.SetInTray(false);
  EXPECT_EQ(fp.log.calls, (std::vector<std::string>{"Shell_NotifyIconA 2 flags=0", "SetWindowLongA proc"}));
  EXPECT_EQ(fp.tray.windows[tray.hWnd()].proc, fake::FakeTray::kOwnProc);
  EXPECT_EQ(fp.tray.windows[tray.hWnd()].userData, reinterpret_cast<std::intptr_t>(&tray));  // left in place
  EXPECT_FALSE(tray.InTray());

  // Designing: only the value changes.
  container.userMode = false;
  fp.log.calls.clear();
  container.changed.clear();
  tray.SetInTray(true);
  EXPECT_TRUE(fp.log.calls.empty());
  EXPECT_TRUE(tray.InTray());
  EXPECT_EQ(container.changed, std::vector<std::string>{"InTray"});
  tray.SetInTray(false);  // nothing was shown, so nothing is removed
  EXPECT_EQ(fp.tray.sent.size(), 2u);
}

TEST_F(Tray, OnlyIconsReplaceTheIcon) {
  PutInTray();
  tray.SetTrayIcon(nullptr);
  tray.SetTrayIcon(std::make_shared<platform::Picture>(platform::Picture{platform::kPicTypeBitmap, 0x99}));
  EXPECT_TRUE(fp.tray.sent.empty());
  EXPECT_TRUE(container.changed.empty());
  EXPECT_EQ(tray.TrayIcon(), fp.pictures.icon);
}

TEST_F(Tray, BalloonOnceOrEveryTime) {
  PutInTray();
  tray.ShowBalloon("a", "t", 0, true);
  tray.ShowBalloon("b", "t", 0, true);
  EXPECT_EQ(fp.tray.sent.size(), 1u);
  tray.ShowBalloon("c", "t", 0, false);
  tray.ShowBalloon("d", "t", 0, false);
  EXPECT_EQ(fp.tray.sent.size(), 3u);

  // Out of the tray the balloon is still sent, counted and waited for in full.
  cSysTray other(fp.platform, container);
  fp.tray.sent.clear();
  const std::int64_t start = fp.clock.now;
  other.ShowBalloon("x", "t", 3, true);
  EXPECT_EQ(fp.clock.now - start, 3000);
  other.ShowBalloon("y", "t", 3, true);
  EXPECT_EQ(fp.tray.sent.size(), 2u);  // the balloon and its hide update, once
  EXPECT_EQ(fp.tray.sent[0].data.uTimeout, 3000u);
}

TEST_F(Tray, BalloonWithoutTimeReturnsAtOnce) {
  PutInTray();
  for (std::int32_t seconds : {0, -5}) {
    fp.tray.sent.clear();
    tray.ShowBalloon("text", "title", seconds, false);
    ASSERT_EQ(fp.tray.sent.size(), 1u);
    EXPECT_EQ(fp.tray.sent[0].data.uTimeout, 0u);
    EXPECT_TRUE(tray.BalloonShowing());
  }
  EXPECT_TRUE(fp.clock.waits.empty());
  EXPECT_EQ(fp.log.Count("DoEvents"), 0u);
}

TEST_F(Tray, BalloonTimeThatOverflowsFailsBeforeAnything) {
  PutInTray();
  EXPECT_THROW(tray.ShowBalloon("text", "title", 2147484, true), platform::Failure);
  EXPECT_TRUE(fp.tray.sent.empty());
  EXPECT_FALSE(tray.BalloonShowing());
  tray.ShowBalloon("text", "title", 0, true);  // not counted: the first real one still shows
  EXPECT_EQ(fp.tray.sent.size(), 1u);
  fp.tray.sent.clear();
  fp.clock.onWait = [this](int) { Shell(1029); };
  tray.ShowBalloon("text", "title", 2147483, false);  // the largest that fits, ended by a click
  ASSERT_EQ(fp.tray.sent.size(), 1u);
  EXPECT_EQ(fp.tray.sent[0].data.uTimeout, 2147483000u);
}

TEST_F(Tray, BalloonWaitEndsWhenTheShellReportsItClosed) {
  PutInTray();
  int downs = 0;
  int ups = 0;
  tray.MouseDown = [&](std::int16_t, std::int32_t) { ++downs; };
  tray.MouseUp = [&](std::int16_t, std::int32_t) { ++ups; };
  // An icon click during the wait is an event, not the end of the balloon; the click on the balloon is.
  fp.clock.step = 100;
  fp.clock.onWait = [this](int wait) {
    if (wait == 2) {
      Shell(513);
      Shell(514);
    }
    if (wait == 4) Shell(1029);
  };
  const std::int64_t start = fp.clock.now;
  tray.ShowBalloon("text", "title", 5, true);
  EXPECT_EQ(fp.clock.now - start, 400);
  EXPECT_EQ(downs, 1);
  EXPECT_EQ(ups, 1);
  EXPECT_FALSE(tray.BalloonShowing());
  EXPECT_EQ(fp.tray.sent.size(), 1u);  // no hide update
  // Each wait is bounded by what is left of the time.
  EXPECT_EQ(fp.clock.waits, (std::vector<std::uint32_t>{5000, 4900, 4800, 4700}));

  for (std::int32_t closing : {1027, 1028}) {
    fp.clock.waits.clear();
    fp.clock.onWait = [&](int) { fp.tray.Send(tray.hWnd(), 1125, 0, closing); };
    tray.ShowBalloon("again", "title", 5, false);
    EXPECT_EQ(fp.clock.waits.size(), 1u) << closing;
    EXPECT_FALSE(tray.BalloonShowing());
  }
}

TEST_F(Tray, BalloonWaitRunsTheFullTimeThenTakesTheBalloonDown) {
  PutInTray();
  fp.clock.step = 700;
  const std::int64_t start = fp.clock.now;
  tray.ShowBalloon("text", "title", 2, false);
  EXPECT_EQ(fp.clock.now - start, 2100);  // three waits of 700 ms pass the 2 s
  EXPECT_EQ(fp.clock.waits, (std::vector<std::uint32_t>{2000, 1300, 600}));
  EXPECT_EQ(fp.log.Count("DoEvents"), 4u);
  ASSERT_EQ(fp.tray.sent.size(), 2u);
  EXPECT_EQ(Bytes(fp.tray.sent[1].data.szInfo, 256), Field("", 256));
  EXPECT_TRUE(tray.BalloonShowing());  // until the shell says the balloon closed
}

TEST_F(Tray, NotificationsBecomeEvents) {
  PutInTray();
  std::vector<std::string> events;
  tray.MouseMove = [&](std::int32_t id) { events.push_back("Move " + std::to_string(id)); };
  auto record = [&](const char* name) {
    return [&events, name](std::int16_t button, std::int32_t id) {
      events.push_back(std::string(name) + " " + std::to_string(button) + " " + std::to_string(id));
    };
  };
  tray.MouseDown = record("Down");
  tray.MouseUp = record("Up");
  tray.MouseDblClick = record("Dbl");
  for (std::int32_t n = 500; n <= 1040; ++n) Shell(n);
  EXPECT_EQ(events, (std::vector<std::string>{"Move 0", "Down 1 0", "Up 1 0", "Dbl 1 0", "Down 2 0", "Up 2 0",
                                              "Dbl 2 0"}));
  events.clear();
  Shell(519);   // middle button
  Shell(520);
  Shell(1026);  // balloon shown
  EXPECT_TRUE(events.empty());
  Shell(512, 7);
  EXPECT_EQ(events, std::vector<std::string>{"Move 7"});
  // Other messages of the window are not notifications.
  events.clear();
  fp.tray.Send(tray.hWnd(), 513, 0, 0);
  EXPECT_TRUE(events.empty());
}

TEST_F(Tray, TheHookPassesEveryMessageOnAndReturnsTheWindowsAnswer) {
  PutInTray();
  std::vector<std::string> order;
  tray.MouseUp = [&](std::int16_t, std::int32_t) { order.push_back("MouseUp"); };
  fp.tray.ownProcResult = [&](const platform::Msg& msg) {
    order.push_back("own " + std::to_string(msg.message));
    return static_cast<std::intptr_t>(msg.message) * 3 + 1;
  };
  EXPECT_EQ(Shell(514, 0), 1125 * 3 + 1);
  EXPECT_EQ(fp.tray.Send(tray.hWnd(), 0x0112, 0xF020, -77), 0x0112 * 3 + 1);
  EXPECT_EQ(order, (std::vector<std::string>{"MouseUp", "own 1125", "own 274"}));
  ASSERT_EQ(fp.tray.reachedOwnProc.size(), 2u);
  const platform::Msg& second = fp.tray.reachedOwnProc[1];
  EXPECT_EQ(second.hwnd, tray.hWnd());
  EXPECT_EQ(second.wParam, 0xF020u);
  EXPECT_EQ(second.lParam, -77);
  EXPECT_EQ(fp.tray.reachedOwnProc[0].lParam, 514);

  // Without an instance in the user data the message still reaches the window.
  fp.tray.windows[tray.hWnd()].userData = 0;
  order.clear();
  EXPECT_EQ(Shell(514), 1125 * 3 + 1);
  EXPECT_EQ(order, std::vector<std::string>{"own 1125"});
}

TEST_F(Tray, DestroyedInTheTrayRemovesTheIconAndRestoresTheProcedure) {
  platform::WindowHandle window = 0;
  {
    cSysTray other(fp.platform, container);
    window = other.hWnd();
    other.SetInTray(true);
    fp.tray.sent.clear();
  }
  ASSERT_EQ(fp.tray.sent.size(), 1u);
  EXPECT_EQ(fp.tray.sent[0].message, platform::kNimDelete);
  EXPECT_EQ(fp.tray.windows[window].proc, fake::FakeTray::kOwnProc);
  EXPECT_TRUE(fp.tray.windows[window].destroyed);
}

TEST_F(Tray, TheIconComesBackWhenANotificationAreaStarts) {
  PutInTray();
  std::vector<bool> told;
  tray.TrayHostChanged = [&](bool available) { told.push_back(available); };
  fp.tray.HostChanged(false);
  EXPECT_TRUE(fp.tray.sent.empty());
  fp.tray.HostChanged(true);
  ASSERT_EQ(fp.tray.sent.size(), 1u);
  EXPECT_EQ(fp.tray.sent[0].message, platform::kNimAdd);
  EXPECT_EQ(fp.tray.sent[0].data.uFlags, 7u);
  EXPECT_EQ(Bytes(fp.tray.sent[0].data.szTip, 128), Field(kProduct, 128));
  EXPECT_EQ(told, (std::vector<bool>{false, true}));

  tray.SetInTray(false);
  fp.tray.sent.clear();
  fp.tray.HostChanged(true);  // not meant to be shown: stays out
  EXPECT_TRUE(fp.tray.sent.empty());
}

TEST_F(Tray, StoredProperties) {
  // Read in the order InTray, TrayIcon, TrayTip: a stored true adds the icon with what the
  // instance holds, and the later two update it.
  PropertyBag bag;
  bag.WriteProperty("TrayTip", std::string("Stored tip"));
  bag.WriteProperty("TrayIcon", platform::PicturePtr(fp.pictures.icon));
  bag.WriteProperty("InTray", true);
  tray.ReadProperties(bag);
  ASSERT_EQ(fp.tray.sent.size(), 3u);
  EXPECT_EQ(fp.tray.sent[0].message, platform::kNimAdd);
  EXPECT_EQ(fp.tray.sent[0].data.uFlags, 1u);
  EXPECT_EQ(fp.tray.sent[1].data.uFlags, 2u);
  EXPECT_EQ(fp.tray.sent[2].data.uFlags, 4u);
  EXPECT_EQ(container.changed, (std::vector<std::string>{"InTray", "TrayIcon", "TrayTip"}));

  PropertyBag written;
  tray.WriteProperties(written);
  EXPECT_EQ(written.Order(), (std::vector<std::string>{"InTray", "TrayIcon", "TrayTip"}));
  EXPECT_EQ(std::get<std::string>(written.ReadProperty("TrayTip", {})), "Stored tip");

  // Nothing stored: the defaults, and a control fresh from the designer writes them all the same.
  cSysTray fresh(fp.platform, container);
  fresh.ReadProperties(PropertyBag{});
  EXPECT_EQ(fresh.TrayTip(), "Telnet Server");
  EXPECT_FALSE(fresh.InTray());
  EXPECT_EQ(fresh.TrayIcon(), nullptr);
  PropertyBag defaults;
  fresh.WriteProperties(defaults);
  EXPECT_EQ(defaults.Order().size(), 3u);

  PropertyBag wrong;
  wrong.WriteProperty("TrayIcon", std::string("not a picture"));
  EXPECT_THROW(fresh.ReadProperties(wrong), platform::Failure);
}

TEST_F(Tray, NewControlAndItsFixedSize) {
  cSysTray placed(fp.platform, container);
  placed.InitProperties();
  EXPECT_EQ(placed.TrayTip(), "Telnet Server");
  EXPECT_EQ(placed.TrayIcon(), nullptr);
  EXPECT_FALSE(placed.InTray());
  placed.SetSize(2000, 90);
  EXPECT_EQ(placed.Width(), 510);
  EXPECT_EQ(placed.Height(), 510);
}

}  // namespace
}  // namespace hush
