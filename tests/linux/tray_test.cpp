// The tray control on a real notification area: Xvfb with trayer (or stalonetray) as the host, clicks
// with xdotool.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <string>

#include "platform/linux/qt_tray.h"
#include "platform/linux/qt_window.h"
#include "platform/linux/x11_hotkeys.h"
#include "tests/fake/fake_platform.h"
#include "tests/support/pactl.h"
#include "tray/cSysTray.h"

namespace hush {
namespace {

using namespace platform::linux_backend;
using Clock = std::chrono::steady_clock;

constexpr const char* kProduct = "Sonoquill Soft and Loud Speaker Dial Using Hotpress Chords";

struct Running : IControlContainer {
  bool UserMode() override { return true; }
  void PropertyChanged(const std::string&) override {}
};

// Processes Qt's events until the condition holds or the time is up.
bool PumpUntil(const std::function<bool()>& done, int ms = 5000) {
  const auto end = Clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (Clock::now() > end) return false;
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(20);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  return true;
}

// A command run beside the event loop, which must keep running for the clicks to arrive.
std::future<std::string> Beside(const std::string& command) {
  return std::async(std::launch::async, [command] { return test::Run(command); });
}

std::string ServicesDir() { return std::getenv("HUSHDIAL_SERVICES_DIR"); }
void StopTrayHost() {
  test::Run("kill $(cat " + ServicesDir() + "/trayer.pid); sleep 0.3");
}
// Recorded as tools/test records its services, so that it ends this host and nothing else.
void StartTrayHost() {
  test::Run("bash -c '. " HUSH_SOURCE_DIR "/tools/processes.sh; $HUSHDIAL_TRAY_HOST >>" + ServicesDir() +
            "/trayer.log 2>&1 & hush_record " + ServicesDir() + "/trayer.pid $!'");
}

// Qt draws the balloon itself when no notification service is there.
QWidget* Balloon() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && std::string(w->metaObject()->className()) == "QBalloonTip") return w;
  return nullptr;
}

class RealTray : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("HUSHDIAL_TEST_X11") || !std::getenv("HUSHDIAL_SERVICES_DIR") || !qApp)
      GTEST_SKIP() << "needs the X server and tray host that tools/test starts";
    ASSERT_TRUE(PumpUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }));
    control.SetTrayTip(kProduct);
    control.SetTrayIcon(pictures.ProgramIcon());
    control.MouseDown = [this](std::int16_t button, std::int32_t id) {
      events.push_back("Down " + std::to_string(button) + " " + std::to_string(id));
    };
    control.MouseUp = [this](std::int16_t button, std::int32_t id) {
      events.push_back("Up " + std::to_string(button) + " " + std::to_string(id));
    };
  }
  QSystemTrayIcon* Icon() { return tray.IconOf(control.hWnd()); }
  // Embedded: the host gave the icon a place of its own on the screen.
  bool Embedded() {
    QSystemTrayIcon* icon = Icon();
    // the host sits at the top right of the screen
    return icon && icon->isVisible() && icon->geometry().width() > 0 && icon->geometry().left() > 100 &&
           icon->geometry().top() < 40;
  }
  std::string ClickIcon(int button) {
    const QPoint at = Icon()->geometry().center();
    return "xdotool mousemove " + std::to_string(at.x()) + " " + std::to_string(at.y()) + " click " +
           std::to_string(button);
  }

  fake::FakePlatform fp;
  X11Hotkeys loop;  // the program's own event processing, as the balloon's wait uses it
  QtTray tray;
  QtClock clock;
  Utf8CodePage codepage;
  QtPictures pictures;
  platform::Platform real{fp.box,    fp.audio,    fp.mixer,    fp.version, fp.atoms, fp.hotkeys,
                          loop,        fp.timer,  fp.window,   fp.settings, fp.registry, fp.files,
                          tray,      clock,       codepage,    pictures};
  Running container;
  cSysTray control{real, container};
  std::vector<std::string> events;
};

TEST_F(RealTray, TheIconIsEmbeddedWithTheProductNameAndReportsClicks) {
  control.SetInTray(true);
  ASSERT_TRUE(PumpUntil([&] { return Embedded(); }));
  EXPECT_EQ(Icon()->toolTip().toStdString(), kProduct);
  EXPECT_FALSE(Icon()->icon().isNull());

  auto click = Beside(ClickIcon(1));
  EXPECT_TRUE(PumpUntil([&] { return events.size() >= 2; }));
  click.get();
  EXPECT_EQ(events, (std::vector<std::string>{"Down 1 0", "Up 1 0"}));

  events.clear();
  click = Beside(ClickIcon(3));
  EXPECT_TRUE(PumpUntil([&] { return events.size() >= 2; }));
  click.get();
  EXPECT_EQ(events, (std::vector<std::string>{"Down 2 0", "Up 2 0"}));

  control.SetInTray(false);
  EXPECT_FALSE(Icon()->isVisible());

  // Put back after an empty tip: a new icon without the old tooltip.
  control.SetTrayTip("");
  control.SetInTray(true);
  EXPECT_EQ(Icon()->toolTip().toStdString(), "");
}

TEST_F(RealTray, AClickHandlerMayTakeTheIconAwayOrEndTheControl) {
  control.SetInTray(true);
  ASSERT_TRUE(PumpUntil([&] { return Embedded(); }));
  control.MouseUp = [&](std::int16_t, std::int32_t) { control.SetInTray(false); };
  auto click = Beside(ClickIcon(1));
  EXPECT_TRUE(PumpUntil([&] { return !control.InTray(); }));
  click.get();
  EXPECT_TRUE(PumpUntil([&] { return !Icon()->isVisible(); }));

  auto doomed = std::make_unique<cSysTray>(real, container);
  doomed->SetTrayIcon(pictures.ProgramIcon());
  doomed->SetInTray(true);
  ASSERT_TRUE(PumpUntil([&] {
    QSystemTrayIcon* icon = tray.IconOf(doomed->hWnd());
    return icon && icon->geometry().left() > 100;
  }));
  // trayer lays its icons out again when one leaves: wait until this one stays put.
  QRect where = tray.IconOf(doomed->hWnd())->geometry();
  PumpUntil([&] {
    PumpUntil([] { return false; }, 150);
    const QRect now = tray.IconOf(doomed->hWnd())->geometry();
    const bool settled = now == where;
    where = now;
    return settled;
  });
  const QPoint at = where.center();
  PumpUntil([] { return false; }, QApplication::doubleClickInterval() + 100);  // a click, not a double click
  doomed->MouseDown = [&](std::int16_t, std::int32_t) { doomed.reset(); };
  click = Beside("xdotool mousemove " + std::to_string(at.x()) + " " + std::to_string(at.y()) + " click 1");
  EXPECT_TRUE(PumpUntil([&] { return doomed == nullptr; }));
  click.get();
  PumpUntil([] { return false; }, 200);  // the deferred clean-up runs
}

TEST_F(RealTray, AClickOnTheBalloonOrTheIconEndsTheWaitEarly) {
  control.SetInTray(true);
  ASSERT_TRUE(PumpUntil([&] { return Embedded(); }));
  // The balloon is Qt's own window; clicked once it is up.
  QTimer clickBalloon;
  std::future<std::string> click;
  QObject::connect(&clickBalloon, &QTimer::timeout, [&] {
    if (QWidget* w = Balloon()) {
        const QPoint at = w->geometry().center();
        click = Beside("xdotool mousemove " + std::to_string(at.x()) + " " + std::to_string(at.y()) + " click 1");
        clickBalloon.stop();
      }
  });
  clickBalloon.start(300);
  auto start = Clock::now();
  control.ShowBalloon("Click on the blue 'B' icon", kProduct, 5, false);
  auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  EXPECT_LT(waited, 3000);
  EXPECT_FALSE(control.BalloonShowing());
  ASSERT_TRUE(click.valid());
  click.get();

  // A click on the icon while a balloon is up takes it down too, and still is a click.
  events.clear();
  QTimer::singleShot(400, [&] { click = Beside(ClickIcon(1)); });
  start = Clock::now();
  control.ShowBalloon("Again", kProduct, 5, false);
  waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  EXPECT_LT(waited, 3000);
  click.get();
  EXPECT_EQ(events, (std::vector<std::string>{"Down 1 0", "Up 1 0"}));
  EXPECT_TRUE(PumpUntil([] { return Balloon() == nullptr; }, 1000));
}

TEST_F(RealTray, ABalloonNobodyClicksLastsItsTime) {
  control.SetInTray(true);
  ASSERT_TRUE(PumpUntil([&] { return Embedded(); }));
  const auto start = Clock::now();
  control.ShowBalloon("Nobody clicks", kProduct, 1, false);
  const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  EXPECT_GE(waited, 1000);
  EXPECT_LT(waited, 1500);
  EXPECT_TRUE(PumpUntil([] { return Balloon() == nullptr; }, 1000));
}

TEST_F(RealTray, TheIconFollowsTheTrayHostComingAndGoing) {
  std::vector<bool> told;
  control.TrayHostChanged = [&](bool available) { told.push_back(available); };
  StopTrayHost();
  ASSERT_TRUE(PumpUntil([] { return !QSystemTrayIcon::isSystemTrayAvailable(); }));
  control.SetInTray(true);  // shown before any host runs
  EXPECT_FALSE(control.TrayAvailable());
  StartTrayHost();
  EXPECT_TRUE(PumpUntil([&] { return Embedded() && !told.empty(); }));

  StopTrayHost();
  EXPECT_TRUE(PumpUntil([&] { return told.size() >= 2; }));
  StartTrayHost();
  EXPECT_TRUE(PumpUntil([&] { return told.size() >= 3 && Embedded(); }));
  EXPECT_EQ(told, (std::vector<bool>{true, false, true}));
  EXPECT_EQ(Icon()->toolTip().toStdString(), kProduct);
}

// A Windows cursor file of one size x size image, 32 bits a pixel, whose click point is (x, y); with
// type 1 an icon file, whose entry has planes and bits a pixel in those places.
QByteArray CursorFile(int size, int x, int y, int type = 2) {
  QByteArray f;
  const auto u8 = [&f](unsigned v) { f.append(static_cast<char>(v & 0xFF)); };
  const auto u16 = [&u8](unsigned v) { u8(v); u8(v >> 8); };
  const auto u32 = [&u16](unsigned v) { u16(v & 0xFFFF); u16(v >> 16); };
  const unsigned pixels = static_cast<unsigned>(size * size * 4);
  const unsigned mask = static_cast<unsigned>(size * ((size + 31) / 32 * 4));
  u16(0), u16(static_cast<unsigned>(type)), u16(1);
  u8(static_cast<unsigned>(size)), u8(static_cast<unsigned>(size)), u8(0), u8(0);
  u16(static_cast<unsigned>(x)), u16(static_cast<unsigned>(y)), u32(40 + pixels + mask), u32(22);
  u32(40), u32(static_cast<unsigned>(size)), u32(static_cast<unsigned>(size * 2)), u16(1), u16(32), u32(0);
  u32(pixels + mask), u32(0), u32(0), u32(0), u32(0);
  for (int i = 0; i < size * size; ++i) u8(0), u8(0), u8(255), u8(255);
  for (unsigned i = 0; i < mask; ++i) u8(0);
  return f;
}

// The hand cursor file (HAND-M.CUR) clicks where the file says, not at the image's corner.
TEST(CursorFile, ThePointerClicksAtTheFilesHotSpot) {
  if (!qApp) GTEST_SKIP() << "needs the X server that tools/test starts";
  EXPECT_EQ(QtPictures::CursorFileHotSpot(CursorFile(32, 7, 12)), QPoint(7, 12));
  EXPECT_EQ(QtPictures::CursorFileHotSpot(CursorFile(32, 7, 12, 1)), std::nullopt);  // an icon file
  EXPECT_EQ(QtPictures::CursorFileHotSpot(QByteArray("cursor")), std::nullopt);

  QtPictures pictures;
  const auto load = [&pictures](const QByteArray& bytes) {
    const std::string path = ::testing::TempDir() + "hushdial-hand.cur";
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    return pictures.LoadPicture(path);
  };
  const QCursor full = QtPictures::Cursor(load(CursorFile(32, 7, 12))->Handle);
  EXPECT_EQ(full.pixmap().size(), QSize(32, 32));
  EXPECT_EQ(full.hotSpot(), QPoint(7, 12));
  // A smaller image is shown as it is, with its own click point; a larger one at the pointer's size,
  // its click point moved with it.
  const QCursor small = QtPictures::Cursor(load(CursorFile(16, 3, 5))->Handle);
  EXPECT_EQ(small.pixmap().size(), QSize(16, 16));
  EXPECT_EQ(small.hotSpot(), QPoint(3, 5));
  const QCursor large = QtPictures::Cursor(load(CursorFile(48, 15, 30))->Handle);
  EXPECT_EQ(large.pixmap().size(), QSize(32, 32));
  EXPECT_EQ(large.hotSpot(), QPoint(10, 20));
  // An icon file (whose entry holds planes and bits a pixel there) keeps clicking at its corner.
  EXPECT_EQ(QtPictures::Cursor(load(CursorFile(32, 1, 32, 1))->Handle).hotSpot(), QPoint(0, 0));
  // A damaged file's click point outside the image is kept on its last pixel.
  EXPECT_EQ(QtPictures::Cursor(load(CursorFile(32, 300, 40))->Handle).hotSpot(), QPoint(31, 31));
  EXPECT_EQ(QtPictures::Cursor(load(CursorFile(16, 65535, 2))->Handle).hotSpot(), QPoint(15, 2));
}

}  // namespace
}  // namespace hush
