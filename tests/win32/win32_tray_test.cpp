// The tray control on Wine's notification area, under the private X server.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "tests/fake/fake_platform.h"
#include "tray/cSysTray.h"

namespace hush {
namespace {

using namespace platform::win32;

// The real shell, with what it answered kept.
class Answering : public platform::ITray {
 public:
  explicit Answering(platform::ITray& real) : real_(real) {}
  platform::WindowHandle CreateTrayWindow() override { return real_.CreateTrayWindow(); }
  void DestroyTrayWindow(platform::WindowHandle w) override { real_.DestroyTrayWindow(w); }
  bool Shell_NotifyIconA(std::uint32_t message, const platform::NotifyIconDataA* data) override {
    const bool ok = real_.Shell_NotifyIconA(message, data);
    answers.push_back(std::to_string(message) + (ok ? " ok" : " failed"));
    return ok;
  }
  std::intptr_t SetWindowLongA(platform::WindowHandle w, int i, std::intptr_t v) override {
    return real_.SetWindowLongA(w, i, v);
  }
  std::intptr_t GetWindowLongA(platform::WindowHandle w, int i) override { return real_.GetWindowLongA(w, i); }
  std::intptr_t CallWindowProcA(std::intptr_t p, platform::WindowHandle w, std::uint32_t m, std::uintptr_t wp,
                                std::intptr_t lp) override {
    return real_.CallWindowProcA(p, w, m, wp, lp);
  }
  bool TrayAvailable() override { return real_.TrayAvailable(); }
  void SetTrayHostHandler(platform::WindowHandle w, std::function<void(bool)> h) override {
    real_.SetTrayHostHandler(w, std::move(h));
  }
  std::vector<std::string> answers;

 private:
  platform::ITray& real_;
};

struct Running : IControlContainer {
  bool UserMode() override { return true; }
  void PropertyChanged(const std::string&) override {}
};

void PumpFor(DWORD ms) {
  const ULONGLONG end = ::GetTickCount64() + ms;
  while (::GetTickCount64() < end) {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&msg);
      ::DispatchMessageA(&msg);
    }
    ::MsgWaitForMultipleObjectsEx(0, nullptr, 20, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

class WineTray : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs the X server that tools/test starts";
  }
  fake::FakePlatform fp;
  Win32Tray native;
  Answering tray{native};
  Win32Clock clock;
  Win32CodePage codepage;
  Win32Pictures pictures;
  platform::Platform real{fp.box,    fp.audio,    fp.mixer,    fp.version, fp.atoms, fp.hotkeys,
                          fp.messages, fp.timer,  fp.window,   fp.settings, fp.registry, fp.files,
                          tray,      clock,       codepage,    pictures};
  Running container;
};

TEST_F(WineTray, AddModifyBalloonAndDeleteAreAccepted) {
  cSysTray control(real, container);
  control.SetTrayTip("Sonoquill Soft and Loud Speaker Dial Using Hotpress Chords");
  ASSERT_TRUE(pictures.ProgramIcon());
  control.SetTrayIcon(pictures.ProgramIcon());
  control.SetInTray(true);
  EXPECT_TRUE(tray.TrayAvailable());
  control.SetTrayTip("Changed tip \xC3\xBC");
  control.SetTrayIcon(pictures.ProgramIcon());
  control.ShowBalloon("Click on the blue 'B' icon", "Title", 0, false);
  control.SetInTray(false);
  EXPECT_EQ(tray.answers, (std::vector<std::string>{"0 ok", "1 ok", "1 ok", "1 ok", "2 ok"}));
}

// XP's 32-bit tick count wrapping 300 ms into a balloon of one second: the balloon still goes after
// its second, neither at once nor never.
DWORD g_wrapBase = 0;
unsigned long __stdcall TickCountWrappingIn300Ms() {
  return static_cast<DWORD>(0xFFFFFFFFu - 300u + (::GetTickCount() - g_wrapBase));
}

TEST_F(WineTray, OnXpATimedBalloonLastsItsTimeAcrossTheTickCountsWrap) {
  g_wrapBase = ::GetTickCount();
  Win32Clock xp(nullptr, &TickCountWrappingIn300Ms);
  platform::Platform onXp{fp.box,      fp.audio,  fp.mixer,  fp.version,  fp.atoms,    fp.hotkeys,
                          fp.messages, fp.timer,  fp.window, fp.settings, fp.registry, fp.files,
                          tray,        xp,        codepage,  pictures};
  cSysTray control(onXp, container);
  control.SetTrayIcon(pictures.ProgramIcon());
  control.SetInTray(true);
  tray.answers.clear();
  const ULONGLONG start = ::GetTickCount64();
  control.ShowBalloon("Click on the blue 'B' icon", "Title", 1, false);
  const ULONGLONG took = ::GetTickCount64() - start;
  EXPECT_GE(took, 990u);
  EXPECT_LT(took, 3000u);
  EXPECT_EQ(tray.answers, (std::vector<std::string>{"1 ok", "1 ok"}));  // shown, then taken down
  control.SetInTray(false);
}

TEST_F(WineTray, TheHookChainsInFrontOfTheWindowAndComesOffAgain) {
  cSysTray control(real, container);
  HWND hwnd = reinterpret_cast<HWND>(control.hWnd());
  ASSERT_TRUE(::IsWindow(hwnd));
  EXPECT_FALSE(::IsWindowVisible(hwnd));
  EXPECT_EQ(::GetAncestor(hwnd, GA_PARENT), ::GetDesktopWindow());  // top-level: hears TaskbarCreated
  const LONG_PTR own = ::GetWindowLongPtrA(hwnd, GWLP_WNDPROC);
  std::vector<std::string> events;
  control.MouseDown = [&](std::int16_t b, std::int32_t id) { events.push_back("Down " + std::to_string(b) + " " + std::to_string(id)); };
  control.MouseUp = [&](std::int16_t b, std::int32_t id) { events.push_back("Up " + std::to_string(b) + " " + std::to_string(id)); };
  control.SetInTray(true);
  EXPECT_NE(::GetWindowLongPtrA(hwnd, GWLP_WNDPROC), own);
  // As the shell reports a left click: through the native procedure to the control's events.
  ::SendMessageA(hwnd, 1125, 0, WM_LBUTTONDOWN);
  ::SendMessageA(hwnd, 1125, 0, WM_LBUTTONUP);
  EXPECT_EQ(events, (std::vector<std::string>{"Down 1 0", "Up 1 0"}));
  // Everything else still reaches the window's own procedure.
  ::SetWindowTextA(hwnd, "renamed");
  char text[16] = {};
  ::GetWindowTextA(hwnd, text, sizeof text);
  EXPECT_STREQ(text, "renamed");
  control.SetInTray(false);
  EXPECT_EQ(::GetWindowLongPtrA(hwnd, GWLP_WNDPROC), own);
}

TEST_F(WineTray, ExplorerStartingAgainPutsTheIconBack) {
  cSysTray control(real, container);
  control.SetTrayIcon(pictures.ProgramIcon());
  control.SetInTray(true);
  bool told = false;
  control.TrayHostChanged = [&](bool available) { told = available; };
  tray.answers.clear();
  ::SendMessageA(reinterpret_cast<HWND>(control.hWnd()), ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_TRUE(told);
  ASSERT_EQ(tray.answers.size(), 1u);
  EXPECT_EQ(tray.answers[0], "0 ok");  // added again, or found still there
  EXPECT_TRUE(tray.TrayAvailable());

  // An icon the shell lost is really added again.
  platform::NotifyIconDataA gone{};
  gone.cbSize = platform::kNotifyIconDataSize;
  gone.hWnd = control.hWnd();
  ASSERT_TRUE(native.Shell_NotifyIconA(platform::kNimDelete, &gone));
  tray.answers.clear();
  ::SendMessageA(reinterpret_cast<HWND>(control.hWnd()), ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_EQ(tray.answers, std::vector<std::string>{"0 ok"});
  EXPECT_TRUE(tray.TrayAvailable());
}

// Runs the Linux-side clicker (Wine starts native programs too) while this thread keeps pumping;
// true once it has clicked, which it says in a file since Wine can't report its exit status.
bool ClickIcon(int button) {
  const std::string result = "/tmp/hushdial-click-" + std::to_string(::GetCurrentProcessId());
  const std::string windowsPath = "Z:" + result;
  ::DeleteFileA(windowsPath.c_str());
  std::string command = std::string("/bin/sh " HUSHDIAL_SOURCE_DIR "/tests/win32/click-tray-icon ") +
                        std::to_string(button) + " " + result;
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!::CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  for (int i = 0; i < 100; ++i) {
    PumpFor(20);
    if (::GetFileAttributesA(windowsPath.c_str()) != INVALID_FILE_ATTRIBUTES) {
      ::DeleteFileA(windowsPath.c_str());
      return true;
    }
  }
  return false;
}

TEST_F(WineTray, AClickOnTheIconInWinesTrayReachesTheControl) {
  if (!std::getenv("HUSHDIAL_TEST_X11")) GTEST_SKIP() << "needs the tray host that tools/test starts";
  cSysTray control(real, container);
  control.SetTrayIcon(pictures.ProgramIcon());
  control.SetTrayTip("Sonoquill Soft and Loud Speaker Dial Using Hotpress Chords");
  std::vector<std::string> events;
  control.MouseDown = [&](std::int16_t b, std::int32_t id) { events.push_back("Down " + std::to_string(b) + " " + std::to_string(id)); };
  control.MouseUp = [&](std::int16_t b, std::int32_t id) { events.push_back("Up " + std::to_string(b) + " " + std::to_string(id)); };
  control.SetInTray(true);
  // Clicked again while nothing arrives: an icon Wine has just docked can miss the first click on a
  // loaded machine.
  bool clicked = false;
  for (int i = 0; i < 20 && events.empty(); ++i) {
    if (!ClickIcon(1)) continue;  // not docked yet
    clicked = true;
    for (int j = 0; j < 100 && events.empty(); ++j) PumpFor(20);
  }
  ASSERT_TRUE(clicked) << "Wine's icon never appeared in the tray host";
  for (int i = 0; i < 50 && events.size() < 2; ++i) PumpFor(20);
  ASSERT_TRUE(ClickIcon(3));
  for (int i = 0; i < 50 && events.size() < 4; ++i) PumpFor(20);
  EXPECT_EQ(events, (std::vector<std::string>{"Down 1 0", "Up 1 0", "Down 2 0", "Up 2 0"}));
}

TEST_F(WineTray, TextsInTheAnsiCodePage) {
  const auto characters = codepage.ToSystemCodePage("a\xC3\xBC\xE2\x82\xAC");
  ASSERT_EQ(characters.size(), 3u);
  EXPECT_EQ(characters[0], "a");
  EXPECT_EQ(characters[1], "\xFC");  // Windows-1252 in Wine's default prefix
  EXPECT_EQ(characters[2], "\x80");
}

}  // namespace
}  // namespace hush
