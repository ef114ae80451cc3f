// Global shortcuts under a private X server (Xvfb) and sound server, pressed with XTest (xdotool).
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QElapsedTimer>
#include <QMetaObject>
#include <QTimer>
#include <QWindow>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <thread>

#include "app/Form1.h"
#include "hotkeys/ShortCuts.h"
#include "platform/linux/alsa_mixer.h"
#include "platform/linux/process_atoms.h"
#include "platform/linux/pulse_core_audio.h"
#include "platform/linux/qt_window.h"
#include "platform/linux/x11_hotkeys.h"
#include "tests/fake/fake_platform.h"
#include "tests/support/pactl.h"
#include "volume/WinVersion.h"

namespace hush {
namespace {

using namespace platform::linux_backend;

// Another X client, as another program that wants the same shortcut would be.
class OtherClient {
 public:
  OtherClient() : connection_(xcb_connect(nullptr, nullptr)) {
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    symbols_ = xcb_key_symbols_alloc(connection_);
  }
  ~OtherClient() {
    xcb_key_symbols_free(symbols_);
    xcb_disconnect(connection_);
  }
  // Ctrl+Shift+letter on the root window; false when someone else holds it.
  bool Grab(char letter) {
    const xcb_keycode_t code = Code(letter);
    auto cookie = xcb_grab_key_checked(connection_, 1, root_, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT, code,
                                       XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    xcb_generic_error_t* error = xcb_request_check(connection_, cookie);
    free(error);
    return error == nullptr;
  }
  void Ungrab(char letter) {
    xcb_ungrab_key(connection_, Code(letter), root_, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_SHIFT);
    xcb_flush(connection_);
  }

 private:
  xcb_keycode_t Code(char letter) {
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(symbols_, static_cast<xcb_keysym_t>(letter));
    const xcb_keycode_t code = codes ? codes[0] : 0;
    free(codes);
    return code;
  }
  xcb_connection_t* connection_;
  xcb_window_t root_ = 0;
  xcb_key_symbols_t* symbols_ = nullptr;
};

bool WaitForPercent(int percent) {
  for (int i = 0; i < 150; ++i) {
    if (test::SinkPercent() == percent) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

void OnUiThread(std::function<void()> action) {
  QMetaObject::invokeMethod(qApp, std::move(action), Qt::QueuedConnection);
}

// Each case with the keys from XKB, and from the core keymap as on a server without XKB.
class Hotkeys : public ::testing::TestWithParam<X11Hotkeys::Keymap> {
 protected:
  void SetUp() override {
    if (!std::getenv("HUSHDIAL_TEST_X11") || !test::HaveTestServer() || !qApp)
      GTEST_SKIP() << "needs the X server and sound server that tools/test starts";
    ASSERT_TRUE(hotkeys.Available());
    ASSERT_EQ(hotkeys.UsesXkb(), GetParam() == X11Hotkeys::Keymap::Xkb);
    Form1::FillKeyList(form.Combo1);
    Form1::FillKeyList(form.Combo2);
    form.Combo1.SetListIndex(16);  // Q raises
    form.Combo2.SetListIndex(0);   // A lowers
    WinVersion::WindowsMajorVersion = 10;
  }
  // Arms and pumps on this (the UI) thread while the script runs beside it; the script ends the pump.
  void Pump(const std::function<void()>& script) {
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [] { ShortCuts::StopProcessing = true; });
    safety.start(10000);
    std::atomic<bool> pumping{false};
    std::thread beside([&] {
      // A queued call runs only inside the pump's event processing, so after both registrations.
      OnUiThread([&] { pumping = true; });
      while (!pumping) std::this_thread::sleep_for(std::chrono::milliseconds(2));
      script();
      OnUiThread([] { ShortCuts::StopProcessing = true; });
    });
    form.Timer1_Timer();
    beside.join();
    // A stop posted after the pump already left must not end the next pump early.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    ASSERT_TRUE(safety.isActive()) << "the pump had to be stopped from outside";
  }

  fake::FakePlatform fp;
  LinuxCoreAudio audio{""};
  AlsaMixer mixer;
  ProcessAtoms atoms;
  X11Hotkeys hotkeys{GetParam()};
  QtTimerService timer;
  QtMainWindow window;
  platform::Platform real{fp.box,  audio,  mixer,       fp.version,  atoms,    hotkeys,
                          hotkeys, timer, window, fp.settings, fp.registry, fp.files, fp.tray, fp.clock, fp.codepage, fp.pictures};
  Form1 form{real};
};

TEST_P(Hotkeys, APressAnywhereRaisesTheSinkByOnePercent) {
  test::SetSinkVolume("50%");
  bool raised = false;
  Pump([&] {
    test::Run("xdotool key ctrl+shift+q");
    raised = WaitForPercent(51);
  });
  EXPECT_TRUE(raised);
  EXPECT_EQ(test::SinkPercent(), 51);
  EXPECT_TRUE(fp.box.shown.empty());
}

TEST_P(Hotkeys, AfterAChangeOfLetterTheOldOneIsFreeAndTheNewOneWorks) {
  Pump([&] { OnUiThread([&] { form.Combo1.SetListIndex(22); }); });  // the user picks W
  test::SetSinkVolume("40%");
  bool oldIsFree = false;
  bool raised = false;
  Pump([&] {
    OtherClient other;
    oldIsFree = other.Grab('q');
    other.Ungrab('q');
    test::Run("xdotool key ctrl+shift+q");  // not ours any more: nothing
    test::Run("xdotool key ctrl+shift+w");
    raised = WaitForPercent(41);
  });
  EXPECT_TRUE(oldIsFree);
  EXPECT_TRUE(raised);
  EXPECT_EQ(test::SinkPercent(), 41);
}

// The layout tests change the private server's layout and put the US one back.
void SettleEvents(int ms) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// A server without XKB tells every client of a new keymap with MappingNotify. This one has XKB, and
// sends it no client that uses XKB, as Qt's connection does; so the core-keymap cases are told as
// such a server would tell them: the event, sent to a window of Qt's connection.
void AnnounceKeymapAsWithoutXkb(X11Hotkeys::Keymap keymap) {
  if (keymap != X11Hotkeys::Keymap::Core) return;
  QWindow window;
  window.create();
  // The window exists at the server before the event is sent to it.
  xcb_connection_t* qt = qApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
  free(xcb_get_input_focus_reply(qt, xcb_get_input_focus(qt), nullptr));
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  const xcb_setup_t* setup = xcb_get_setup(connection);
  xcb_mapping_notify_event_t event{};
  event.response_type = XCB_MAPPING_NOTIFY;
  event.request = XCB_MAPPING_KEYBOARD;
  event.first_keycode = setup->min_keycode;
  event.count = static_cast<std::uint8_t>(setup->max_keycode - setup->min_keycode + 1);
  // Checked: the server has sent it before this connection closes, which may drop what it has not.
  xcb_generic_error_t* error = xcb_request_check(
      connection, xcb_send_event_checked(connection, 0, static_cast<xcb_window_t>(window.winId()), 0,
                                         reinterpret_cast<const char*>(&event)));
  EXPECT_EQ(error, nullptr) << "the server refused the keymap notification";
  free(error);
  xcb_disconnect(connection);
}

// A new layout for the private server, and the notifications of it.
void SetLayout(const char* layout, X11Hotkeys::Keymap keymap) {
  test::Run(std::string("setxkbmap ") + layout);
  AnnounceKeymapAsWithoutXkb(keymap);
}

TEST_P(Hotkeys, OneChangeOfLayoutMovesTheGrabsOnceNotOncePerNotification) {
  ASSERT_TRUE(hotkeys.RegisterHotKey(1, 7, platform::kModControl | platform::kModShift, 'Q'));
  SettleEvents(200);
  const unsigned before = hotkeys.KeymapLoads();
  SetLayout("fr", GetParam());
  SettleEvents(600);
  EXPECT_EQ(hotkeys.KeymapLoads() - before, 1u);
  SetLayout("us", GetParam());
  SettleEvents(600);
  EXPECT_EQ(hotkeys.KeymapLoads() - before, 2u);
  hotkeys.UnregisterHotKey(1, 7);
}

TEST_P(Hotkeys, AChangeOfLayoutMovesTheGrabToTheKeyThatNowTypesTheLetter) {
  ASSERT_TRUE(hotkeys.RegisterHotKey(1, 7, platform::kModControl | platform::kModShift, 'Q'));
  SetLayout("fr", GetParam());  // AZERTY: Q on the key US has A on, A on US's Q
  SettleEvents(600);
  {
    OtherClient other;  // reads the keymap as it is now
    EXPECT_FALSE(other.Grab('q')) << "Ctrl+Shift+Q did not follow its letter to the AZERTY key";
    EXPECT_TRUE(other.Grab('a')) << "the key Q left is still held";
    other.Ungrab('a');
  }
  SetLayout("us", GetParam());
  SettleEvents(600);
  OtherClient other;
  EXPECT_FALSE(other.Grab('q'));
  EXPECT_TRUE(other.Grab('a'));
  other.Ungrab('a');
  hotkeys.UnregisterHotKey(1, 7);
}

TEST_P(Hotkeys, ALetterNoGroupHasAtArmingIsGrabbedWhenALayoutWithItArrives) {
  SetLayout("ru", GetParam());
  SettleEvents(300);
  EXPECT_TRUE(hotkeys.RegisterHotKey(1, 7, platform::kModControl | platform::kModShift, 'Q'));  // kept, without a key yet
  SetLayout("us", GetParam());
  SettleEvents(600);
  OtherClient other;
  EXPECT_FALSE(other.Grab('q')) << "Ctrl+Shift+Q was not grabbed once the US layout came";
  hotkeys.UnregisterHotKey(1, 7);
  EXPECT_TRUE(other.Grab('q'));
  other.Ungrab('q');
}

TEST_P(Hotkeys, ACombinationHeldByAnotherClientIsRefusedSilently) {
  OtherClient other;
  ASSERT_TRUE(other.Grab('q'));
  test::SetSinkVolume("40%");
  bool lowered = false;
  Pump([&] {
    test::Run("xdotool key ctrl+shift+a");
    lowered = WaitForPercent(39);
  });
  other.Ungrab('q');
  EXPECT_TRUE(lowered);
  EXPECT_TRUE(fp.box.shown.empty());
  EXPECT_NE(form.Label1.Caption().find("Ctrl+Shift+Q"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Keymaps, Hotkeys, ::testing::Values(X11Hotkeys::Keymap::Xkb, X11Hotkeys::Keymap::Core),
                         [](const ::testing::TestParamInfo<X11Hotkeys::Keymap>& param) {
                           return param.param == X11Hotkeys::Keymap::Xkb ? "Xkb" : "CoreKeymap";
                         });

}  // namespace
}  // namespace hush
