// Shortcuts, the start-up entry and the settings through the real Win32 services inside Wine.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleacc.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/Form1.h"
#include "app/Layout.h"
#include "app/WindowBinder.h"
#include "hotkeys/ShortCuts.h"
#include "platform/win32/win32_platform.h"
#include "system/RegStuff.h"
#include "system/mStartUp.h"
#include "tests/fake/fake_platform.h"
#include "tests/win32/win32_thread.h"
#include "volume/WinVersion.h"

namespace hush {
namespace {

using namespace platform::win32;

void Key(WORD vk, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof input);
}

void PressCtrlShift(WORD letter) {
  Key(VK_CONTROL, false);
  Key(VK_SHIFT, false);
  Key(letter, false);
  Key(letter, true);
  Key(VK_SHIFT, true);
  Key(VK_CONTROL, true);
}

TEST(Win32Hotkeys, AnInjectedPressReachesThePumpAndRaises) {
  if (!std::getenv("HUSHDIAL_TEST_X11")) GTEST_SKIP() << "needs the X server that tools/test starts";
  fake::FakePlatform fp;
  Win32Atoms atoms;
  Win32Hotkeys hotkeys;
  Win32MessageLoop messages;
  Win32Timer timer;
  Win32MainWindow window;
  platform::Platform real{fp.box,  fp.audio, fp.mixer, fp.version,  atoms,       hotkeys,
                          messages, timer,   window,   fp.settings, fp.registry, fp.files, fp.tray, fp.clock, fp.codepage, fp.pictures};
  Form1 form{real};
  Form1::FillKeyList(form.Combo1);
  Form1::FillKeyList(form.Combo2);
  form.Combo1.SetListIndex('K' - 'A');  // letters the other Wine tests don't use
  form.Combo2.SetListIndex('J' - 'A');
  WinVersion::WindowsMajorVersion = 10;  // the fake endpoint records the step
  ASSERT_NE(window.Handle(), 0u);

  int ticks = 0;
  std::atomic<bool> stepped{false};
  Win32Timer watch;
  watch.StartTimer(20, [&] {
    stepped = !fp.audio.levelsWritten.empty();
    if (stepped || ++ticks > 750) ShortCuts::StopProcessing = true;
  });
  // A press that lands while the pump's event processing runs is dispatched there and lost, as the
  // pump is meant to do; under Wine that happens now and then, and for seconds on end while a fresh
  // Wine session settles, so press again until one is taken.
  std::atomic<int> presses{0};
  test::Win32Thread presser([&] {
    for (int i = 0; i < 40 && !stepped; ++i) {
      ::Sleep(300);
      if (stepped) break;
      PressCtrlShift('K');
      ++presses;
    }
  });
  form.Timer1_Timer();
  presser.join();
  watch.StopTimer();
  ASSERT_GE(fp.audio.levelsWritten.size(), 1u) << "no hotkey message reached the pump after " << presses.load() << " presses";
  EXPECT_LE(fp.audio.levelsWritten.size(), static_cast<std::size_t>(presses.load()));  // one step per press at most
  EXPECT_GT(fp.audio.levelsWritten[0], 0.5f);  // the increase shortcut raised
  EXPECT_EQ(ShortCuts::IncreaseHotkeyId, GlobalFindAtomA("A00F1"));
  EXPECT_TRUE(fp.box.shown.empty());
}

TEST(Win32StartupEntry, TheMachineRunValueHoldsTheProgramsOwnPath) {
  fake::FakePlatform fp;
  Win32Registry registry;
  Win32Files files;
  platform::Platform real{fp.box,      fp.audio, fp.mixer,  fp.version,  fp.atoms, fp.hotkeys,
                          fp.messages, fp.timer, fp.window, fp.settings, registry, files, fp.tray, fp.clock, fp.codepage, fp.pictures};
  const std::string name = files.ProgramFileName();
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, sizeof path);
  mStartUp::AddToStartUp(real);
  char data[1024];
  DWORD size = sizeof data;
  ASSERT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, RegStuff::kRunKey, name.c_str(), RRF_RT_REG_SZ, nullptr, data, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(std::string(data), RegStuff::RunCommand(path));
  EXPECT_EQ(name, "win32_system_tests.exe");
  platform::RegKey32 machine = platform::kHkeyLocalMachine;
  EXPECT_EQ(RegStuff::ReadKeyText(registry, machine, RegStuff::kRunKey, name), RegStuff::RunCommand(path));
  // A user's copy left from before goes when the machine-wide entry is written.
  ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, RegStuff::kRunKey, name.c_str(), REG_SZ, "old", 4), ERROR_SUCCESS);
  mStartUp::AddToStartUp(real);
  size = sizeof data;
  EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, RegStuff::kRunKey, name.c_str(), RRF_RT_REG_SZ, nullptr, data, &size),
            ERROR_FILE_NOT_FOUND);
  mStartUp::RemoveFromStartUp(real);
  size = sizeof data;
  EXPECT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, RegStuff::kRunKey, name.c_str(), RRF_RT_REG_SZ, nullptr, data, &size),
            ERROR_FILE_NOT_FOUND);
}

// A program in a folder whose name the ANSI code page cannot hold (Cyrillic and Thai: no code page
// has both) still gets a path that names its file, so the start-up entry starts it.
TEST(Win32StartupEntry, AProgramInAFolderTheCodePageCannotNameIsStillFound) {
  wchar_t temp[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring folder = std::wstring(temp) + L"Hushdial \x041f\x0440\x043e\x0433\x0440\x0430\x043c\x043c\x0430 \x0e17\x0e14\x0e2a\x0e2d\x0e1a";
  const std::wstring program = folder + L"\\Hushdial.exe";
  CreateDirectoryW(folder.c_str(), nullptr);
  HANDLE file = CreateFileW(program.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  CloseHandle(file);
  const std::string path = ProgramPathOf(program.c_str()).ansi;
  EXPECT_EQ(path.find('?'), std::string::npos) << path;
  EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << path << " names no file";
  wchar_t longer[MAX_PATH * 2];
  const DWORD n = GetLongPathNameW(std::wstring(path.begin(), path.end()).c_str(), longer, MAX_PATH * 2);
  EXPECT_EQ(std::wstring(longer, n), program);
  // A folder the code page can name keeps its name as it is.
  const std::wstring plain = std::wstring(temp) + L"hushdial-plain.exe";
  EXPECT_EQ(ProgramPathOf(plain.c_str()).ansi, std::string(plain.begin(), plain.end()));
  DeleteFileW(program.c_str());
  RemoveDirectoryW(folder.c_str());
}

// WideCharToMultiByte as Windows documents it for UTF-8 (Wine lets more through): no flag but
// WC_ERR_INVALID_CHARS, no default character and no used-default flag, or the call fails.
int StrictWideCharToMultiByte(unsigned cp, unsigned long flags, const wchar_t* wide, int units, char* narrow,
                              int bytes, const char* defaultChar, int* usedDefault) {
  if (cp == CP_UTF8 && ((flags & ~static_cast<unsigned long>(WC_ERR_INVALID_CHARS)) != 0 || defaultChar || usedDefault)) {
    SetLastError(flags & ~static_cast<unsigned long>(WC_ERR_INVALID_CHARS) ? ERROR_INVALID_FLAGS : ERROR_INVALID_PARAMETER);
    return 0;
  }
  return WideCharToMultiByte(cp, flags, wide, units, narrow, bytes, defaultChar, usedDefault);
}

// Where UTF-8 is the ANSI code page (a Windows 10 option) every folder has its name as it is, in
// UTF-8: the conversion must not ask UTF-8 for best-fit or used-default characters, which fails. A
// broken surrogate has no UTF-8 form: the path itself is kept then.
TEST(Win32StartupEntry, UnderTheUtf8CodePageThePathIsItsUtf8) {
  const std::wstring program = L"C:\\Program Files\\Hushdial \x041f\x0440\x043e \x0e17\x0e14 \x00e9\\Hushdial.exe";
  const ProgramPath path = ProgramPathOf(program.c_str(), /*shortNames=*/false, CP_UTF8, StrictWideCharToMultiByte);
  EXPECT_EQ(path.ansi, "C:\\Program Files\\Hushdial \xd0\x9f\xd1\x80\xd0\xbe \xe0\xb8\x97\xe0\xb8\x94 \xc3\xa9\\Hushdial.exe");
  EXPECT_TRUE(path.real.empty());
  const std::wstring broken = L"C:\\Hushdial \xd800x\\Hushdial.exe";
  EXPECT_EQ(ProgramPathOf(broken.c_str(), /*shortNames=*/false, CP_UTF8, StrictWideCharToMultiByte).real, broken);
  // A Western code page keeps what it holds, and is told apart from one that loses characters.
  EXPECT_EQ(ProgramPathOf(L"C:\\Caf\x00e9\\Hushdial.exe", false, 1252).ansi, "C:\\Caf\xe9\\Hushdial.exe");
  EXPECT_EQ(ProgramPathOf(program.c_str(), false, 1252).real, program);
}

// On a volume without short names such a folder has no ANSI name at all: the start-up entry holds the
// path itself, is still known as the program's own when read back, and goes when the option is off.
TEST(Win32StartupEntry, WithoutShortNamesTheEntryHoldsTheProgramsRealPath) {
  wchar_t temp[MAX_PATH];
  ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
  const std::wstring folder = std::wstring(temp) + L"Hushdial \x041f\x0440\x043e\x0433\x0440\x0430\x043c\x043c\x0430 \x0e17\x0e14\x0e2a\x0e2d\x0e1a";
  const std::wstring program = folder + L"\\Hushdial.exe";
  const ProgramPath path = ProgramPathOf(program.c_str(), /*shortNames=*/false);
  ASSERT_NE(path.ansi.find('?'), std::string::npos) << "the code page holds the folder's name";
  ASSERT_EQ(path.real, program);
  fake::FakePlatform fp;
  Win32Registry registry(path);
  Win32Files files(path);
  platform::Platform real{fp.box,      fp.audio, fp.mixer,  fp.version,  fp.atoms, fp.hotkeys,
                          fp.messages, fp.timer, fp.window, fp.settings, registry, files, fp.tray, fp.clock, fp.codepage, fp.pictures};
  const wchar_t* run = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  RegDeleteKeyValueW(HKEY_CURRENT_USER, run, L"Hushdial.exe");
  mStartUp::AddToStartUp(real);
  wchar_t data[1024];
  DWORD size = sizeof data;
  ASSERT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, run, L"Hushdial.exe", RRF_RT_REG_SZ, nullptr, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(std::wstring(data), L"\"" + program + L"\"");
  platform::RegKey32 machine = platform::kHkeyLocalMachine;
  EXPECT_EQ(RegStuff::ReadKeyText(registry, machine, RegStuff::kRunKey, "Hushdial.exe"),
            RegStuff::RunCommand(path.ansi));
  // Taken as this program's entry again: no user's copy beside it.
  mStartUp::AddToStartUp(real);
  size = sizeof data;
  EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, run, L"Hushdial.exe", RRF_RT_REG_SZ, nullptr, data, &size),
            ERROR_FILE_NOT_FOUND);
  mStartUp::RemoveFromStartUp(real);
  size = sizeof data;
  EXPECT_EQ(RegGetValueW(HKEY_LOCAL_MACHINE, run, L"Hushdial.exe", RRF_RT_REG_SZ, nullptr, data, &size),
            ERROR_FILE_NOT_FOUND);
}

TEST(Win32Settings, ChoicesLandUnderTheUsersKeyAsText) {
  Win32Settings settings;
  const std::string section = std::string(kProductName) + " (test)";
  settings.SaveSetting(kSettingsApp, section, "Combo1", "22");
  char data[64];
  DWORD size = sizeof data;
  DWORD type = 0;
  const std::string key = "Software\\Brightfen\\" + section;
  ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, key.c_str(), "Combo1", RRF_RT_ANY, &type, data, &size), ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(std::string(data), "22");
  EXPECT_EQ(settings.GetSetting(kSettingsApp, section, "Combo1", "16"), "22");
  EXPECT_EQ(settings.GetSetting(kSettingsApp, section, "Minimized", "Off"), "Off");
  RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
}

// Values put there by hand or by other tools, read as every Windows from XP can read them.
TEST(Win32Settings, HandWrittenValuesAreReadByTheirTextOrFallBack) {
  Win32Settings settings;
  const std::string section = std::string(kProductName) + " (hand)";
  const std::string key = "Software\\Brightfen\\" + section;
  HKEY handle = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr),
            ERROR_SUCCESS);
  const auto put = [&](const char* name, DWORD type, const void* data, DWORD size) {
    RegSetValueExA(handle, name, 0, type, static_cast<const BYTE*>(data), size);
  };
  put("NoTerminator", REG_SZ, "12", 2);
  put("Empty", REG_SZ, "", 1);
  put("Inner", REG_SZ, "7\0junk", 7);
  const DWORD number = 5;
  put("Number", REG_DWORD, &number, sizeof number);
  const std::string huge(5000, 'x');
  put("Huge", REG_SZ, huge.c_str(), static_cast<DWORD>(huge.size() + 1));
  RegCloseKey(handle);
  EXPECT_EQ(settings.GetSetting(kSettingsApp, section, "NoTerminator", "16"), "12");
  EXPECT_EQ(settings.GetSetting(kSettingsApp, section, "Empty", "16"), "");
  EXPECT_EQ(settings.GetSetting(kSettingsApp, section, "Inner", "16"), "7");
  EXPECT_EQ(settings.GetSetting(kSettingsApp, section, "Number", "16"), "16");
  EXPECT_EQ(settings.GetSetting(kSettingsApp, section, "Huge", "16"), "16");
  EXPECT_EQ(settings.GetSetting(kSettingsApp, section + " (absent)", "Combo1", "16"), "16");
  RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
}

// What a screen reader finds in the window: each list right after its label (a combo box takes its
// name from the static text before it), the focus holder holding the first focus without a Tab stop,
// and Tab going round every control in the design's order.
TEST(Win32Accessibility, ListsFollowTheirLabelsAndTheFocusHolderIsNoTabStop) {
  if (!std::getenv("HUSHDIAL_TEST_X11")) GTEST_SKIP() << "needs the X server that tools/test starts";
  fake::FakePlatform fp;
  Win32MainWindow window;
  platform::Platform real{fp.box,      fp.audio, fp.mixer,  fp.version,  fp.atoms,    fp.hotkeys, fp.messages,
                          fp.timer,    window,   fp.settings, fp.registry, fp.files, fp.tray,    fp.clock,
                          fp.codepage, fp.pictures};
  Form1 form{real};
  Form1::FillKeyList(form.Combo1);
  Form1::FillKeyList(form.Combo2);
  WindowBinder binder(form, window);
  binder.Build();
  const auto control = [&](const char* name) {
    return reinterpret_cast<HWND>(window.Control(Layout::IndexOf(name)));
  };
  ASSERT_TRUE(control("Combo1") && control("Label2") && control("Text2"));
  EXPECT_EQ(GetWindow(control("Combo1"), GW_HWNDPREV), control("Label2"));
  EXPECT_EQ(GetWindow(control("Combo2"), GW_HWNDPREV), control("Label3"));
  const HWND holder = control("Text2");
  EXPECT_EQ(GetWindowLongA(holder, GWL_STYLE) & WS_TABSTOP, 0);
  window.Show();

  const HWND main = reinterpret_cast<HWND>(window.Handle());
  std::vector<HWND> visited;
  HWND at = holder;
  for (int i = 0; i < 9; ++i) visited.push_back(at = GetNextDlgTabItem(main, at, FALSE));
  const std::vector<HWND> expected = {control("PushButton1"), control("Combo1"),      control("Combo2"),
                                      control("Check4"),      control("Check8"),      control("PushButton2"),
                                      control("PushButton3"), control("PushButton4"), control("PushButton1")};
  EXPECT_EQ(visited, expected);
  // Wine 8 gives no accessible object for a combo box (AccessibleObjectFromWindow fails), so the
  // names and descriptions a screen reader would read are not checked here.
}

// The system's annotation service as the window sees it, recording what it is told and whether the
// window it names still exists at that moment.
class RecordingAnnotations : public IAccPropServices, public IClassFactory {
 public:
  struct Call {
    HWND window;
    bool alive;
  };
  std::vector<Call> set, cleared;
  std::vector<MSAAPROPID> clearedProps;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IAccPropServices) {
      *out = static_cast<IAccPropServices*>(this);
    } else if (iid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }  // lives on the test's stack
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (outer) return CLASS_E_NOAGGREGATION;
    return QueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

  HRESULT STDMETHODCALLTYPE SetHwndProp(HWND window, DWORD, DWORD, MSAAPROPID, VARIANT) override {
    set.push_back({window, ::IsWindow(window) != FALSE});
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetHwndPropStr(HWND window, DWORD, DWORD, MSAAPROPID, LPCWSTR) override {
    set.push_back({window, ::IsWindow(window) != FALSE});
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ClearHwndProps(HWND window, DWORD, DWORD, const MSAAPROPID* props, int count) override {
    cleared.push_back({window, ::IsWindow(window) != FALSE});
    clearedProps.insert(clearedProps.end(), props, props + count);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetPropValue(const BYTE*, DWORD, MSAAPROPID, VARIANT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetPropServer(const BYTE*, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                          AnnoScope) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE ClearProps(const BYTE*, DWORD, const MSAAPROPID*, int) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetHwndPropServer(HWND, DWORD, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                              AnnoScope) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE ComposeHwndIdentityString(HWND, DWORD, DWORD, BYTE**, DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE DecomposeHwndIdentityString(const BYTE*, DWORD, HWND*, DWORD*, DWORD*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetHmenuProp(HMENU, DWORD, MSAAPROPID, VARIANT) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetHmenuPropStr(HMENU, DWORD, MSAAPROPID, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetHmenuPropServer(HMENU, DWORD, const MSAAPROPID*, int, IAccPropServer*,
                                               AnnoScope) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE ClearHmenuProps(HMENU, DWORD, const MSAAPROPID*, int) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ComposeHmenuIdentityString(HMENU, DWORD, BYTE**, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DecomposeHmenuIdentityString(const BYTE*, DWORD, HMENU*, DWORD*) override {
    return E_NOTIMPL;
  }
};

// The annotations a screen reader reads ("?"'s description, the status line's role, the hidden focus
// holder) are taken back from each control while it still exists: the system keeps them apart from
// the windows, so they would outlast them.
TEST(Win32Accessibility, EveryAnnotationIsTakenBackBeforeItsControlIsDestroyed) {
  if (!std::getenv("HUSHDIAL_TEST_X11")) GTEST_SKIP() << "needs the X server that tools/test starts";
  ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  RecordingAnnotations annotations;
  DWORD cookie = 0;
  ASSERT_EQ(::CoRegisterClassObject(CLSID_AccPropServices, static_cast<IClassFactory*>(&annotations),
                                    CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie),
            S_OK);
  std::vector<HWND> annotated;
  {
    fake::FakePlatform fp;
    Win32MainWindow window;
    platform::Platform real{fp.box,      fp.audio, fp.mixer,  fp.version,  fp.atoms,    fp.hotkeys, fp.messages,
                            fp.timer,    window,   fp.settings, fp.registry, fp.files, fp.tray,    fp.clock,
                            fp.codepage, fp.pictures};
    Form1 form{real};
    WindowBinder binder(form, window);
    binder.Build();
    const auto control = [&](const char* name) {
      return reinterpret_cast<HWND>(window.Control(Layout::IndexOf(name)));
    };
    ASSERT_TRUE(control("PushButton4") && control("Label1") && control("Text2"));
    annotated = {control("PushButton4"), control("Label1"), control("Text2")};  // "?", status, focus holder
    for (HWND wanted : annotated)
      EXPECT_TRUE(std::any_of(annotations.set.begin(), annotations.set.end(),
                              [&](const RecordingAnnotations::Call& call) { return call.window == wanted; }))
          << "a control the screen reader needs was not annotated";
  }
  ::CoRevokeClassObject(cookie);
  ASSERT_EQ(annotations.cleared.size(), annotated.size());
  for (const RecordingAnnotations::Call& call : annotations.cleared) {
    EXPECT_NE(std::find(annotated.begin(), annotated.end(), call.window), annotated.end());
    EXPECT_TRUE(call.alive) << "an annotation was taken back after its control was gone";
  }
  // Each control is cleared of all three kinds, whichever it was given.
  const std::vector<MSAAPROPID> all = {PROPID_ACC_DESCRIPTION, PROPID_ACC_ROLE, PROPID_ACC_STATE};
  ASSERT_EQ(annotations.clearedProps.size(), all.size() * annotated.size());
  for (std::size_t i = 0; i < annotations.clearedProps.size(); ++i)
    EXPECT_EQ(annotations.clearedProps[i], all[i % all.size()]) << "call " << i / all.size();
  ::CoUninitialize();
}

}  // namespace
}  // namespace hush
