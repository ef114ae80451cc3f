// The portal client against a mock portal on a private session bus (tests/linux/with-session-bus).
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QElapsedTimer>

#include <algorithm>
#include <functional>

#include <QTimer>

#include "hotkeys/ShortCuts.h"
#include "platform/linux/desktop_notifications.h"
#include "platform/linux/portal_hotkeys.h"
#include "platform/linux/pulse_core_audio.h"
#include "tests/fake/fake_platform.h"
#include "tests/support/pactl.h"
#include "tests/support/skips.h"
#include "volume/WinVersion.h"

extern char** environ;

// Failures show the portal's calls as text.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }

namespace hush {
namespace {

using platform::linux_backend::PortalHotkeys;

const QString kMock = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kControl = QStringLiteral("com.brightfen.HushdialPortalMock");
constexpr platform::WindowHandle kWindow = 77;
constexpr std::int32_t kRaise = 0xC001, kLower = 0xC002;
constexpr std::uint32_t kCtrlShift = platform::kModControl | platform::kModShift;

bool Spin(const std::function<bool()>& done, int ms = 3000) {
  QElapsedTimer timer;
  timer.start();
  while (!done() && timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  return done();
}

class Portal : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DBUS_SESSION_BUS_ADDRESS")) GTEST_SKIP() << "needs tests/linux/with-session-bus";
    StartMock();
  }
  void TearDown() override { StopMock(); }

  // kde: as KDE's backend (shortcuts taken at CreateSession); held: how many sessions asked for
  // find their path still held from before. Started beside a running one, it takes the name over.
  // kdeBackend: the version of KDE's backend beside the portal (0: none; -1: there without global
  // shortcuts; kNotGiven: as the portal's kind has it).
  static constexpr int kNotGiven = -100;
  void StartMock(bool kde = true, int held = 0, bool plasma6 = false, int kdeBackend = kNotGiven) {
    char python[] = "/usr/bin/python3", m[] = "-m", mod[] = "dbusmock", session[] = "--session", t[] = "-t",
         p[] = "-p";
    std::string file = HUSH_SOURCE_DIR "/tests/linux/portal_mock.py";
    std::string parameters = std::string("{\"kde\": ") + (kde ? "true" : "false") +
                             ", \"held\": " + std::to_string(held) +
                             ", \"plasma6\": " + (plasma6 ? "true" : "false") +
                             (kdeBackend != kNotGiven ? ", \"kde_backend\": " + std::to_string(kdeBackend) : "") + "}";
    char* argv[] = {python, m, mod, session, t, file.data(), p, parameters.data(), nullptr};
    if (mock_ > 0) replaced_.push_back(mock_);
    ASSERT_EQ(posix_spawn(&mock_, python, nullptr, nullptr, argv, environ), 0);
    ASSERT_TRUE(Spin([] { return QDBusConnection::sessionBus().interface()->isServiceRegistered(kMock).value(); },
                     10000));
  }
  void StopMock() {
    for (pid_t old : replaced_) {
      kill(old, SIGTERM);
      waitpid(old, nullptr, 0);
    }
    replaced_.clear();
    if (mock_ <= 0) return;
    kill(mock_, SIGTERM);
    waitpid(mock_, nullptr, 0);
    mock_ = -1;
  }
  QDBusMessage Control(const QString& method, const QList<QVariant>& args = {}) {
    QDBusMessage call = QDBusMessage::createMethodCall(kMock, QStringLiteral("/org/freedesktop/portal/desktop"),
                                                       kControl, method);
    call.setArguments(args);
    return QDBusConnection::sessionBus().call(call);
  }
  QStringList Calls() { return Control(QStringLiteral("Calls")).arguments().value(0).toStringList(); }
  void Behave(bool early, bool cancel, bool kde = true) { Control(QStringLiteral("Behave"), {early, cancel, kde}); }
  void Activate(const QString& session, const QString& shortcut, bool unicast) {
    Control(QStringLiteral("Activate"), {QVariant::fromValue(QDBusObjectPath(session)), shortcut, unicast});
  }

  void Hold(const QString& session, const QString& shortcut, unsigned ms, unsigned every, bool release) {
    Control(QStringLiteral("Hold"), {QVariant::fromValue(QDBusObjectPath(session)), shortcut, ms, every, release});
  }

  // As the timer tick arms: each identifier released, then registered.
  void Arm(char up, char down) {
    hotkeys.UnregisterHotKey(kWindow, kRaise);
    hotkeys.RegisterHotKey(kWindow, kRaise, kCtrlShift, static_cast<std::uint32_t>(up));
    hotkeys.UnregisterHotKey(kWindow, kLower);
    hotkeys.RegisterHotKey(kWindow, kLower, kCtrlShift, static_cast<std::uint32_t>(down));
  }
  bool Settled() {
    return Spin([this] { return !hotkeys.Busy(); });
  }
  // The hotkey identifiers that reach the pump within a short wait.
  std::vector<std::uintptr_t> Pumped(int ms = 300) {
    std::vector<std::uintptr_t> ids;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      platform::Msg msg{};
      while (hotkeys.PeekMessageA(&msg, kWindow, platform::kWmHotkey, platform::kWmHotkey, platform::kPmRemove))
        ids.push_back(msg.wParam);
    }
    return ids;
  }

  pid_t mock_ = -1;
  std::vector<pid_t> replaced_;
  PortalHotkeys hotkeys{[](std::int32_t id) {
    return id == kRaise ? PortalHotkeys::Naming{"raise-volume", "Raise the volume by one step", "--raise"}
                        : PortalHotkeys::Naming{"lower-volume", "Lower the volume by one step", "--lower"};
  }};
};

TEST_F(Portal, ArmingMakesOneSessionWithBothShortcutsAndBindsWhatTheDesktopLacks) {
  ASSERT_TRUE(PortalHotkeys::Offered());
  Arm('Q', 'A');
  ASSERT_TRUE(Settled());
  EXPECT_FALSE(hotkeys.Session().isEmpty());
  // Plasma registers them from the session's own option: listed, nothing left to bind.
  // The program names itself first, by its desktop file id, as newer portals ask.
  EXPECT_EQ(Calls(), (QStringList{"Register com.brightfen.Hushdial", "CreateSession lower-volume-a raise-volume-q",
                                  "ListShortcuts"}));
  EXPECT_EQ(hotkeys.Triggers().at(QStringLiteral("raise-volume-q")), QStringLiteral("CTRL+SHIFT+Q"));
  // A desktop that ignores that option gets both through BindShortcuts.
  StopMock();
  StartMock(false);
  ASSERT_TRUE(Spin([this] { return Calls().size() >= 4; }));
  ASSERT_TRUE(Settled());
  EXPECT_EQ(Calls().last(), QStringLiteral("BindShortcuts lower-volume-a raise-volume-q"));
  EXPECT_EQ(hotkeys.Triggers().at(QStringLiteral("lower-volume-a")), QStringLiteral("CTRL+SHIFT+A"));
}

// The toolkit asks the portal for the desktop's settings on the shared connection before any window
// shows; a portal that names a connection's program by its first call (GNOME 48) would then refuse
// Register, and the desktop discards the shortcuts of an unnamed program.
TEST_F(Portal, TheProgramIsNamedOnAConnectionWhoseFirstPortalCallIsRegister) {
  QDBusMessage read = QDBusMessage::createMethodCall(kMock, QStringLiteral("/org/freedesktop/portal/desktop"),
                                                     QStringLiteral("org.freedesktop.portal.Settings"),
                                                     QStringLiteral("Read"));
  read << QStringLiteral("org.freedesktop.appearance") << QStringLiteral("color-scheme");
  ASSERT_EQ(QDBusConnection::sessionBus().call(read).type(), QDBusMessage::ReplyMessage);
  Arm('Q', 'A');
  ASSERT_TRUE(Settled());
  ASSERT_FALSE(hotkeys.Session().isEmpty());
  EXPECT_EQ(Control(QStringLiteral("AppOf"), {QVariant::fromValue(QDBusObjectPath(hotkeys.Session()))})
                .arguments()
                .value(0)
                .toString(),
            QStringLiteral("com.brightfen.Hushdial"));
  // The portal restarting (an update) forgets every name: the program names itself again first.
  StopMock();
  StartMock();
  ASSERT_TRUE(Spin([this] { return Calls().size() >= 2; }));
  ASSERT_TRUE(Settled());
  EXPECT_EQ(Calls().value(0), QStringLiteral("Register com.brightfen.Hushdial"));
  EXPECT_EQ(Control(QStringLiteral("AppOf"), {QVariant::fromValue(QDBusObjectPath(hotkeys.Session()))})
                .arguments()
                .value(0)
                .toString(),
            QStringLiteral("com.brightfen.Hushdial"));
}

TEST_F(Portal, ActivatedOfOurSessionReachesThePumpBroadcastOrUnicastAndEarlyAnswersAreCaught) {
  Behave(true, false);  // every Response before the method's own reply
  Arm('Q', 'A');
  ASSERT_TRUE(Settled());
  ASSERT_FALSE(hotkeys.Session().isEmpty());
  Activate(hotkeys.Session(), QStringLiteral("raise-volume-q"), false);
  Activate(hotkeys.Session(), QStringLiteral("lower-volume-a"), true);
  EXPECT_EQ(Pumped(), (std::vector<std::uintptr_t>{kRaise, kLower}));
  // The message is the one a press of the shortcut gives.
  Activate(hotkeys.Session(), QStringLiteral("raise-volume-q"), true);
  QCoreApplication::processEvents(QEventLoop::AllEvents, 200);
  Spin([] { return false; }, 200);
  platform::Msg msg{};
  ASSERT_TRUE(hotkeys.PeekMessageA(&msg, kWindow, platform::kWmHotkey, platform::kWmHotkey, platform::kPmRemove));
  EXPECT_EQ(msg.message, platform::kWmHotkey);
  EXPECT_EQ(msg.lParam, static_cast<std::intptr_t>(kCtrlShift | ('Q' << 16)));
}

// Plasma 6.7 reports a held chord's press and its release, nothing between; Plasma 6.3 repeats the
// press itself. Either way a hold steps once per key repeat, never twice per repeat.
TEST_F(Portal, AHeldChordStepsPerRepeatWhetherTheDesktopRepeatsItOrOnlyReportsTheRelease) {
  Arm('Q', 'A');
  ASSERT_TRUE(Settled());
  const QString session = hotkeys.Session();
  const QString raise = QStringLiteral("raise-volume-q");
  // A desktop not yet known to report releases: one step, however long the chord is held.
  Hold(session, raise, 1200, 0, false);
  EXPECT_EQ(Pumped(1600), (std::vector<std::uintptr_t>{kRaise}));
  // Another program's release says nothing of this desktop's releases for us.
  Activate(QStringLiteral("/org/freedesktop/portal/desktop/session/1_99/other"), raise, false);
  Hold(session, raise, 1200, 0, true);
  EXPECT_EQ(Pumped(1600), (std::vector<std::uintptr_t>{kRaise}));
  Activate(session, QStringLiteral("lower-volume-a"), false);  // a tap: its release is reported
  EXPECT_EQ(Pumped(), (std::vector<std::uintptr_t>{kLower}));
  // Press and release only, 1.2 s apart: the press, then repeats from 660 ms every 40 ms (about 15).
  Hold(session, raise, 1200, 0, true);
  const std::vector<std::uintptr_t> held = Pumped(1600);
  EXPECT_GE(held.size(), 6u);
  EXPECT_LE(held.size(), 20u);
  EXPECT_EQ(std::count(held.begin(), held.end(), kRaise), static_cast<std::ptrdiff_t>(held.size()));
  EXPECT_TRUE(Pumped(400).empty()) << "repeats went on after the release";
  // A desktop that repeats the press itself (every 100 ms for 1.2 s: 12 presses) gets 12 steps.
  Hold(session, raise, 1200, 100, true);
  EXPECT_EQ(Pumped(1800).size(), 12u);
  // And from then on it is left to repeat: a press and release 1.2 s apart is one step.
  Hold(session, raise, 1200, 0, true);
  EXPECT_EQ(Pumped(1600).size(), 1u);
}

TEST_F(Portal, AnotherClientsSessionAndUnknownShortcutsAreIgnored) {
  Arm('Q', 'A');
  ASSERT_TRUE(Settled());
  Activate(QStringLiteral("/org/freedesktop/portal/desktop/session/1_99/hushdial"), QStringLiteral("raise-volume-q"),
           false);
  Activate(hotkeys.Session(), QStringLiteral("raise-volume-w"), false);
  EXPECT_TRUE(Pumped().empty());
}

TEST_F(Portal, ACancelledRequestIsSilentAndNotAskedAgainUntilTheLettersChange) {
  Behave(false, true);
  Arm('Q', 'A');
  ASSERT_TRUE(Settled());
  EXPECT_TRUE(hotkeys.Session().isEmpty());
  Arm('Q', 'A');  // the next tick arms the same letters
  ASSERT_TRUE(Settled());
  EXPECT_EQ(Calls().filter(QStringLiteral("CreateSession")).size(), 1);
  Behave(false, false);
  Arm('W', 'A');
  ASSERT_TRUE(Settled());
  EXPECT_FALSE(hotkeys.Session().isEmpty());
  EXPECT_EQ(Calls().filter(QStringLiteral("CreateSession")).last(),
            QStringLiteral("CreateSession lower-volume-a raise-volume-w"));
}

// GNOME 48.0 answers a bind the user granted with response 2 and the shortcuts it bound.
TEST_F(Portal, ABindAnsweredTwoWithTheShortcutsIsGrantedAndPressesArrive) {
  Behave(false, false, false);  // a desktop that binds only through BindShortcuts, as GNOME does
  Control(QStringLiteral("AnswerBindWith"), {2u});
  Arm('Q', 'A');
  ASSERT_TRUE(Settled());
  ASSERT_FALSE(hotkeys.Session().isEmpty());
  EXPECT_EQ(Calls().last(), QStringLiteral("BindShortcuts lower-volume-a raise-volume-q"));
  EXPECT_EQ(hotkeys.Triggers().count(QStringLiteral("raise-volume-q")), 1u);
  Activate(hotkeys.Session(), QStringLiteral("raise-volume-q"), true);
  EXPECT_EQ(Pumped(), (std::vector<std::uintptr_t>{static_cast<std::uintptr_t>(kRaise)}));
}

// A portal that never answers Close must not leave both shortcuts dead for D-Bus's 25 s.
TEST_F(Portal, ALetterChangeIsNotHeldLongByAPortalThatNeverAnswersClose) {
  Arm('Q', 'A');
  ASSERT_TRUE(Settled());
  Control(QStringLiteral("StallClose"), {true});
  QElapsedTimer timer;
  timer.start();
  Arm('W', 'A');
  EXPECT_TRUE(Spin([this] { return !hotkeys.Busy() && !hotkeys.Session().isEmpty(); }, 6000));
  EXPECT_LT(timer.elapsed(), 6000);
  EXPECT_TRUE(Calls().contains(QStringLiteral("Close (no answer)")));
  EXPECT_EQ(Calls().filter(QStringLiteral("CreateSession")).last(),
            QStringLiteral("CreateSession lower-volume-a raise-volume-w"));
}

TEST_F(Portal, ALetterChangeMovesTheBindingToTheNewKey) {
  Arm('Q', 'A');
  ASSERT_TRUE(Settled());
  const QString first = hotkeys.Session();
  Arm('W', 'A');
  ASSERT_TRUE(Settled());
  ASSERT_FALSE(hotkeys.Session().isEmpty());
  // The new session takes the old one's path: asked for only once the old one is closed, or the
  // portal forgets it with the old one and the presses never come.
  EXPECT_EQ(Calls().mid(Calls().indexOf(QStringLiteral("Closed"))),
            (QStringList{"Closed", "CreateSession lower-volume-a raise-volume-w", "ListShortcuts"}));
  Activate(hotkeys.Session(), QStringLiteral("raise-volume-q"), false);  // the old letter: no longer ours
  Activate(hotkeys.Session(), QStringLiteral("raise-volume-w"), false);
  EXPECT_EQ(Pumped(), (std::vector<std::uintptr_t>{kRaise}));
  Arm('W', 'A');  // the same letters again: nothing asked
  ASSERT_TRUE(Settled());
  EXPECT_EQ(Calls().filter(QStringLiteral("CreateSession")).size(), 2);
  (void)first;
}

// Plasma 6 keeps the program's shortcuts between sessions, and a bind there is the whole set.
TEST_F(Portal, OnPlasma6ALetterChangeKeepsTheOtherLetterAndOnlyBefore65AStartWithWhatIsKeptBindsNothing) {
  StopMock();
  StartMock(true, 0, true);
  Arm('Q', 'A');
  ASSERT_TRUE(Settled());
  Arm('W', 'A');
  ASSERT_TRUE(Settled());
  ASSERT_FALSE(hotkeys.Session().isEmpty());
  Activate(hotkeys.Session(), QStringLiteral("lower-volume-a"), false);
  Activate(hotkeys.Session(), QStringLiteral("raise-volume-w"), false);
  Activate(hotkeys.Session(), QStringLiteral("raise-volume-q"), false);  // the old letter's key is freed
  EXPECT_EQ(Pumped(), (std::vector<std::uintptr_t>{kLower, kRaise}));
  // The next start with the same letters: the desktop has them, so nothing is bound (Plasma 6.3
  // would open its shortcut settings at each bind).
  hotkeys.UnregisterHotKey(kWindow, kRaise);
  hotkeys.UnregisterHotKey(kWindow, kLower);
  ASSERT_TRUE(Settled());
  const qsizetype binds = Calls().filter(QStringLiteral("BindShortcuts")).size();
  Arm('W', 'A');
  ASSERT_TRUE(Settled());
  EXPECT_EQ(Calls().filter(QStringLiteral("BindShortcuts")).size(), binds);
  Activate(hotkeys.Session(), QStringLiteral("lower-volume-a"), true);
  EXPECT_EQ(Pumped(), (std::vector<std::uintptr_t>{kLower}));
  // Plasma from 6.5 on (its backend's version 2) opens no settings at a bind, and from 6.7.4 a
  // session activates only what it bound: each new session binds.
  StopMock();
  StartMock(true, 0, true, 2);
  ASSERT_TRUE(Spin([this] { return Calls().contains(QStringLiteral("ListShortcuts")); }));
  ASSERT_TRUE(Settled());
  hotkeys.UnregisterHotKey(kWindow, kRaise);
  hotkeys.UnregisterHotKey(kWindow, kLower);
  ASSERT_TRUE(Settled());
  Arm('W', 'A');
  ASSERT_TRUE(Settled());
  EXPECT_EQ(Calls().last(), QStringLiteral("BindShortcuts lower-volume-a raise-volume-w"));
  Activate(hotkeys.Session(), QStringLiteral("raise-volume-w"), true);
  EXPECT_EQ(Pumped(), (std::vector<std::uintptr_t>{kRaise}));
  // KDE's backend running for another desktop (it serves that desktop's file dialogs, say) has no
  // global shortcuts: it is no reason to leave the bind out.
  StopMock();
  StartMock(true, 0, false, -1);
  ASSERT_TRUE(Spin([this] { return Calls().contains(QStringLiteral("ListShortcuts")); }));
  ASSERT_TRUE(Settled());
  EXPECT_EQ(Calls().last(), QStringLiteral("BindShortcuts lower-volume-a raise-volume-w"));
}

TEST_F(Portal, ThePortalGoingAwayLeavesSilenceAndItsReturnArmsAgain) {
  Arm('Q', 'A');
  ASSERT_TRUE(Settled());
  StopMock();
  ASSERT_TRUE(Spin([this] { return hotkeys.Session().isEmpty(); }));
  EXPECT_TRUE(Pumped(100).empty());
  StartMock();
  ASSERT_TRUE(Spin([this] { return !hotkeys.Session().isEmpty() && !hotkeys.Busy(); }));
  Activate(hotkeys.Session(), QStringLiteral("lower-volume-a"), false);
  EXPECT_EQ(Pumped(), (std::vector<std::uintptr_t>{kLower}));
}

TEST_F(Portal, APortalReplacedInPlaceOrBackWithItsOldPathHeldGetsNewSessionsAndPressesArrive) {
  Arm('Q', 'A');
  ASSERT_TRUE(Settled());
  const QString first = hotkeys.Session();
  // Replaced in place: the name passes to a new portal with no gap between.
  StartMock();
  ASSERT_TRUE(Spin([this] { return Calls().filter(QStringLiteral("CreateSession")).size() == 1; }));
  ASSERT_TRUE(Spin([this] { return !hotkeys.Session().isEmpty() && !hotkeys.Busy(); }));
  Activate(hotkeys.Session(), QStringLiteral("raise-volume-q"), false);
  EXPECT_EQ(Pumped(), (std::vector<std::uintptr_t>{kRaise}));
  // Back after a stop, with the backend still holding the old session's path: its 2 is no refusal.
  StopMock();
  StartMock(true, 2);
  ASSERT_TRUE(Spin([this] { return !hotkeys.Session().isEmpty() && !hotkeys.Busy(); }, 5000));
  EXPECT_NE(hotkeys.Session(), first);
  EXPECT_EQ(Calls().filter(QStringLiteral("CreateSession")).size(), 3);
  Activate(hotkeys.Session(), QStringLiteral("lower-volume-a"), false);
  EXPECT_EQ(Pumped(), (std::vector<std::uintptr_t>{kLower}));
}

// The real chain: XTest -> the X server -> kglobalaccel -> the KDE portal backend -> the portal ->
// the client -> the pump -> the sound server (tests/linux/with-portal starts it).
class RealPortal : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("HUSHDIAL_REAL_PORTAL") || !test::HaveTestServer())
      GTEST_SKIP() << "needs tests/linux/with-portal and the private sound server";
    WinVersion::WindowsMajorVersion = 10;
    ShortCuts::IncreaseHotkeyId = kRaise;
    ShortCuts::DecreaseHotkeyId = kLower;
  }
  void Arm(char up, char down) {
    hotkeys.UnregisterHotKey(kWindow, kRaise);
    hotkeys.RegisterHotKey(kWindow, kRaise, kCtrlShift, static_cast<std::uint32_t>(up));
    hotkeys.UnregisterHotKey(kWindow, kLower);
    hotkeys.RegisterHotKey(kWindow, kLower, kCtrlShift, static_cast<std::uint32_t>(down));
    // Plasma from 6.4 asks the user before it binds a shortcut new to it: the user says OK.
    if (const char* accept = std::getenv("HUSHDIAL_PORTAL_ACCEPT"))
      std::system((std::string(accept) + " 5 >/dev/null 2>&1 &").c_str());
    ASSERT_TRUE(Spin([this] { return !hotkeys.Busy(); }, 8000));
    ASSERT_FALSE(hotkeys.Session().isEmpty());
  }
  // Presses the keys while the pump runs, as the timer tick runs it, for a second and a half.
  void PressDuringThePump(const std::string& keys) {
    QTimer::singleShot(300, [keys] { std::system(("xdotool key " + keys + " &").c_str()); });
    QTimer::singleShot(1500, [] { ShortCuts::StopProcessing = true; });
    ShortCuts::StopProcessing = false;
    ShortCuts::ProcessMessages(real, [] { return kWindow; });
  }
  // kglobalaccel takes its new keys a moment after the portal has answered, longer on a loaded
  // machine: a press that found no binding yet stepped nothing, so it is pressed again.
  void PressUntilTaken(const std::string& keys, int expected) {
    for (int attempt = 0; attempt < 3 && test::SinkPercent() != expected; ++attempt) PressDuringThePump(keys);
  }
  PortalHotkeys hotkeys{[](std::int32_t id) {
    return id == kRaise ? PortalHotkeys::Naming{"raise-volume", "Raise the volume by one step", "--raise"}
                        : PortalHotkeys::Naming{"lower-volume", "Lower the volume by one step", "--lower"};
  }};
  fake::FakePlatform fp;
  platform::linux_backend::LinuxCoreAudio audio{""};
  platform::Platform real{fp.box,      audio,    fp.mixer,  fp.version,  fp.atoms, hotkeys,
                          hotkeys,     fp.timer, fp.window, fp.settings, fp.registry, fp.files,
                          fp.tray,     fp.clock, fp.codepage, fp.pictures};
};

TEST_F(RealPortal, APressReachesThePumpThroughThePortalAndALetterChangeMovesIt) {
  ASSERT_TRUE(PortalHotkeys::Offered());
  Arm('Q', 'A');
  test::SetSinkVolume("50%");
  PressUntilTaken("ctrl+shift+q", 51);
  EXPECT_EQ(test::SinkPercent(), 51);
  PressUntilTaken("ctrl+shift+a", 50);
  EXPECT_EQ(test::SinkPercent(), 50);
  Arm('W', 'A');
  PressUntilTaken("ctrl+shift+w", 51);
  EXPECT_EQ(test::SinkPercent(), 51);
  PressDuringThePump("ctrl+shift+q");  // the old letter is no longer ours
  EXPECT_EQ(test::SinkPercent(), 51);
  PressUntilTaken("ctrl+shift+a", 50);  // and the letter kept still works
  EXPECT_EQ(test::SinkPercent(), 50);
  // The portal restarts while KDE's backend runs on, holding the old session: a new session, and the
  // shortcuts work again within seconds.
  ASSERT_EQ(std::system(std::getenv("HUSHDIAL_PORTAL_RESTART")), 0);
  Spin([] { return false; }, 500);  // the portal's going and coming reach the program
  ASSERT_TRUE(Spin([&] { return !hotkeys.Session().isEmpty() && !hotkeys.Busy(); }, 10000));
  PressUntilTaken("ctrl+shift+w", 51);
  EXPECT_EQ(test::SinkPercent(), 51);
  // Replaced in place: the name passes to another portal with no gap.
  ASSERT_EQ(std::system(std::getenv("HUSHDIAL_PORTAL_REPLACE")), 0);
  Spin([] { return false; }, 500);
  ASSERT_TRUE(Spin([&] { return !hotkeys.Session().isEmpty() && !hotkeys.Busy(); }, 10000));
  PressUntilTaken("ctrl+shift+w", 52);
  EXPECT_EQ(test::SinkPercent(), 52);
  EXPECT_TRUE(fp.box.shown.empty());
}

// The balloon where the tray is a StatusNotifierItem: the desktop's notification service (a mock of
// dbusmock's own) shows it, and its click and its close come back once each.
class Notifications : public ::testing::Test {
 protected:
  using DesktopNotifications = platform::linux_backend::DesktopNotifications;
  void SetUp() override {
    if (!std::getenv("DBUS_SESSION_BUS_ADDRESS")) GTEST_SKIP() << "needs tests/linux/with-session-bus";
    char python[] = "/usr/bin/python3", m[] = "-m", mod[] = "dbusmock", session[] = "--session", t[] = "-t",
         templ[] = "notification_daemon";
    char* argv[] = {python, m, mod, session, t, templ, nullptr};
    ASSERT_EQ(posix_spawn(&daemon_, python, nullptr, nullptr, argv, environ), 0);
    ASSERT_TRUE(Spin([] {
      return QDBusConnection::sessionBus().interface()->isServiceRegistered(QStringLiteral("org.freedesktop.Notifications")).value();
    }, 10000));
  }
  void TearDown() override {
    QDBusConnection::sessionBus().unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher"));
    if (daemon_ > 0) {
      kill(daemon_, SIGTERM);
      waitpid(daemon_, nullptr, 0);
    }
  }
  // What the service does on its own: the signals it sends.
  void Emit(const QString& name, const QString& signature, const QList<QVariant>& args) {
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                                       QStringLiteral("/org/freedesktop/Notifications"),
                                                       QStringLiteral("org.freedesktop.DBus.Mock"),
                                                       QStringLiteral("EmitSignal"));
    call << QStringLiteral("org.freedesktop.Notifications") << name << signature << QVariant(args);
    QDBusConnection::sessionBus().call(call);
  }
  pid_t daemon_ = -1;
};

TEST_F(Notifications, OnlyWithATrayOverDBusAndEachEndReportedOnceForItsOwnNotification) {
  EXPECT_FALSE(DesktopNotifications::InUse());  // an XEmbed tray has balloons of its own
  ASSERT_TRUE(QDBusConnection::sessionBus().registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
  EXPECT_TRUE(DesktopNotifications::InUse());
  DesktopNotifications balloon;
  std::vector<DesktopNotifications::End> ends;
  auto record = [&ends](DesktopNotifications::End end) { ends.push_back(end); };
  ASSERT_TRUE(balloon.Show(QStringLiteral("Title"), QStringLiteral("Text"), 5000, record));
  // dbusmock numbers its notifications from 1.
  Emit(QStringLiteral("ActionInvoked"), QStringLiteral("us"), {7u, QStringLiteral("default")});  // not ours
  Emit(QStringLiteral("ActionInvoked"), QStringLiteral("us"), {1u, QStringLiteral("default")});
  Emit(QStringLiteral("NotificationClosed"), QStringLiteral("uu"), {1u, 2u});  // after the click: no second end
  Spin([&ends] { return false; }, 300);
  EXPECT_EQ(ends, (std::vector<DesktopNotifications::End>{DesktopNotifications::End::Clicked}));
  ASSERT_TRUE(balloon.Show(QStringLiteral("Title"), QStringLiteral("Again"), 5000, record));
  Emit(QStringLiteral("NotificationClosed"), QStringLiteral("uu"), {2u, 1u});  // expired
  Spin([&ends] { return ends.size() == 2; }, 2000);
  EXPECT_EQ(ends.back(), DesktopNotifications::End::Closed);
  ASSERT_TRUE(balloon.Show(QStringLiteral("Title"), QStringLiteral("Taken down"), 5000, record));
  balloon.Close();  // by the program itself: nothing to report
  Emit(QStringLiteral("NotificationClosed"), QStringLiteral("uu"), {3u, 3u});
  Spin([&ends] { return false; }, 300);
  EXPECT_EQ(ends.size(), 2u);
}

TEST(PortalNames, TriggersAndIdsAsTheDesktopShowsThem) {
  EXPECT_EQ(PortalHotkeys::Trigger(kCtrlShift, 'Q'), QStringLiteral("CTRL+SHIFT+Q"));
  EXPECT_EQ(PortalHotkeys::ShortcutId("raise-volume", 'Q'), QStringLiteral("raise-volume-q"));
}

}  // namespace
}  // namespace hush

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return hush::test::RunAllTests();
}
