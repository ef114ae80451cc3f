#include <gtest/gtest.h>

#include <algorithm>

#include "app/Form1.h"
#include "app/Layout.h"
#include "app/WindowBinder.h"
#include "hotkeys/ShortCuts.h"
#include "hushdial_config.h"
#include "platform/failure.h"
#include "system/RegStuff.h"
#include "tests/fake/fake_platform.h"
#include "volume/WinVersion.h"

namespace hush {
namespace {

constexpr const char* kFolder = "C:\\Program Files\\Hushdial";

class MainWindow : public ::testing::Test {
 protected:
  void Store(const std::string& key, const std::string& value) {
    fp.settings.values[std::string(kSettingsApp) + "|" + kProductName + "|" + key] = value;
  }
  std::vector<std::string> Boxes() const {
    std::vector<std::string> lines;
    for (const auto& box : fp.box.shown) {
      const std::size_t at = box.text.find(" at line ");
      lines.push_back(box.text.substr(box.text.find("in Hushdial"), at + 12 - box.text.find("in Hushdial")));
    }
    return lines;
  }
  static std::string At(const char* procedure, int line) {
    return std::string("in Hushdial2021/08/31.Form1.") + procedure + " at line " + std::to_string(line);
  }
  // The shell's report of a left click on the tray icon.
  void ClickTrayIcon() {
    fp.tray.Send(form.cSysTray1.hWnd(), 1125, 0, 513);
    fp.tray.Send(form.cSysTray1.hWnd(), 1125, 0, 514);
  }
  // The user minimising the window: the window system changes the state and says so.
  void Minimise() {
    fp.window.state = platform::kStateMinimized;
    form.Form_Resize();
  }
  std::size_t Balloons() const {
    return static_cast<std::size_t>(std::count_if(fp.tray.sent.begin(), fp.tray.sent.end(), [](const auto& s) {
      return s.message == platform::kNimModify && s.data.uFlags == platform::kNifInfo && s.data.szInfo[0] != '\0';
    }));
  }

  fake::FakePlatform fp;
  Form1 form{fp.platform};
};

TEST_F(MainWindow, FirstStartOnAnEmptyStore) {
  int statusTexts = 0;
  std::string shown;
  form.Label1.Changed = [&] {
    if (form.Label1.Caption() != shown) ++statusTexts;
    shown = form.Label1.Caption();
  };
  form.Form_Load();
  EXPECT_TRUE(fp.box.shown.empty());
  EXPECT_EQ(*fp.settings.Value("Combo1"), "16");
  EXPECT_EQ(*fp.settings.Value("Combo2"), "0");
  EXPECT_EQ(statusTexts, 2);  // once with the decrease key still empty, then with both
  EXPECT_EQ(form.Label1.Caption(),
            "Software is on.\r\nPress Ctrl+Shift+Q to increase volume and Ctrl+Shift+A to decrease volume.");
  EXPECT_EQ(fp.window.caption, kProductName);
  EXPECT_EQ(fp.window.icon, fp.pictures.icon);
  EXPECT_EQ(fp.log.Count("SetIcon"), 2u);
  EXPECT_EQ(form.AppTitle, "Sonoquill Soft and Loud Speaker Dial");
  EXPECT_EQ(fp.window.pointerPicture, nullptr);
  EXPECT_EQ(fp.window.state, platform::kStateNormal);
  // The icon goes into the tray last, with the product name as its tip.
  ASSERT_EQ(fp.tray.sent.size(), 1u);
  EXPECT_EQ(fp.tray.sent[0].message, platform::kNimAdd);
  EXPECT_EQ(std::string(fp.tray.sent[0].data.szTip), kProductName);
  EXPECT_EQ(fp.tray.sent[0].data.hIcon, fp.pictures.icon->Handle);
  EXPECT_TRUE(form.cSysTray1.InTray());
  EXPECT_EQ(fp.log.calls.back(), "Shell_NotifyIconA 0 flags=7");
}

TEST_F(MainWindow, TheCursorFileBecomesTheHandPointer) {
  const std::string cursor = std::string(kFolder) + "\\HAND-M.CUR";
  auto hand = std::make_shared<platform::Picture>(platform::Picture{platform::kPicTypeIcon, 0x55});
  fp.files.entries[cursor] = false;
  fp.pictures.files[cursor] = hand;
  form.Form_Load();
  EXPECT_EQ(fp.window.pointerPicture, hand);
  EXPECT_TRUE(fp.box.shown.empty());
}

TEST_F(MainWindow, ACursorFileThatDoesNotLoadIsReportedAtLine106AndTheStartGoesOn) {
  fp.files.entries[std::string(kFolder) + "\\HAND-M.CUR"] = false;  // there, but no picture
  form.Form_Load();
  EXPECT_EQ(Boxes(), std::vector<std::string>{At("Form_Load", 106)});
  EXPECT_EQ(fp.window.pointerPicture, nullptr);
  EXPECT_EQ(fp.window.caption, kProductName);
  EXPECT_TRUE(form.cSysTray1.InTray());
}

struct NoFolder : fake::FakeFiles {
  std::string ProgramFolder() override { throw platform::Failure("Path not found"); }
};

TEST(MainWindowFolder, WithoutAProgramFolderLines102To106EachReportAndTheStartGoesOn) {
  fake::FakePlatform fp;
  NoFolder files;
  platform::Platform p{fp.box,      fp.audio,    fp.mixer, fp.version, fp.atoms, fp.hotkeys, fp.messages, fp.timer,
                       fp.window,   fp.settings, fp.registry, files,   fp.tray,  fp.clock,   fp.codepage, fp.pictures};
  Form1 form{p};
  form.Form_Load();
  // The failing test of line 104 runs the step it guards, which fails in its turn.
  ASSERT_EQ(fp.box.shown.size(), 3u);
  EXPECT_NE(fp.box.shown[0].text.find("Form_Load at line 102\r\r"), std::string::npos);
  EXPECT_NE(fp.box.shown[1].text.find("Form_Load at line 104\r\r"), std::string::npos);
  EXPECT_NE(fp.box.shown[2].text.find("Form_Load at line 106\r\r"), std::string::npos);
  EXPECT_EQ(fp.window.caption, kProductName);
  EXPECT_TRUE(form.cSysTray1.InTray());
}

TEST_F(MainWindow, TheTitleIsTheNameCutBackWordByWord) {
  form.ShortenAppTitle();
  EXPECT_EQ(form.AppTitle, "Sonoquill Soft and Loud Speaker Dial");
  form.ProductName = "Short product name";  // fits already, and still loses its last word
  form.ShortenAppTitle();
  EXPECT_EQ(form.AppTitle, "Short product");
  form.ProductName = "Averyveryveryveryveryveryveryveryverylongword tail";
  // 45 characters after one cut, and no blank left for a second: a failure, the title unchanged.
  EXPECT_THROW(form.ShortenAppTitle(), platform::Failure);
  EXPECT_EQ(form.AppTitle, "Short product");
}

TEST_F(MainWindow, ANameWithoutABlankFailsLine128AndKeepsTheTitle) {
  form.AppTitle = "Earlier";
  form.ProductName = "Hushdial";
  form.Form_Load();
  EXPECT_EQ(Boxes(), std::vector<std::string>{At("Form_Load", 128)});
  EXPECT_EQ(form.AppTitle, "Earlier");
  EXPECT_EQ(fp.window.caption, "Hushdial");  // the other two statements of the line ran
  EXPECT_EQ(fp.log.Count("SetIcon"), 2u);
  EXPECT_EQ(WinVersion::WindowsMajorVersion, 0);  // the fake's version query answered 0.0
}

TEST_F(MainWindow, EachStatementOfLine128GoesOnAfterItsOwnFailure) {
  fp.window.failCaption = true;
  fp.window.failIcon = true;
  form.Form_Load();
  // Caption, icon, title in that order, each failing one reported at 128; the icon again at 174.
  EXPECT_EQ(Boxes(), (std::vector<std::string>{At("Form_Load", 128), At("Form_Load", 128), At("Form_Load", 174)}));
  const auto shown = fp.log.Starting("Set");
  const auto caption = std::find(shown.begin(), shown.end(), std::string("SetCaption ") + kProductName);
  ASSERT_NE(caption, shown.end());
  EXPECT_EQ(*(caption + 1), "SetIcon");
  EXPECT_EQ(form.AppTitle, "Sonoquill Soft and Loud Speaker Dial");
  EXPECT_TRUE(form.cSysTray1.InTray());  // and line 176 still puts the icon in the tray
}

TEST_F(MainWindow, ASkinFileColoursTheWindowAndASkinThatFailsStopsAtLine102) {
  const std::string skin = std::string(kFolder) + "\\x\\o.cjs";
  fp.files.entries[skin] = false;
  form.Form_Load();
  EXPECT_TRUE(fp.box.shown.empty());
  EXPECT_EQ(fp.window.backColor, platform::kColorButtonFace);
  for (const Frame* frame : {&form.Frame1, &form.Frame2, &form.Frame3})
    EXPECT_EQ(frame->BackColor(), platform::kColorButtonFace);
  EXPECT_EQ(form.Label2.BackColor(), platform::kColorButtonFace);
  EXPECT_EQ(form.Check8.BackColor(), platform::kColorButtonFace);
  EXPECT_EQ(form.Label1.BackColor(), 0xFFFFFFu);  // start-up makes the status white again
  EXPECT_EQ(form.SkinFramework1.SkinPath(), skin);
  EXPECT_EQ(form.SkinFramework1.Options() & 1, 1);
  EXPECT_TRUE(form.SkinFramework1.Property5());
  EXPECT_TRUE(form.SkinFramework1.Property10());
  EXPECT_EQ(form.SkinFramework1.AppliedTo(), fp.window.handle);

  // Listed, but gone when the skin is loaded: the colours are in, the skin never reaches the window.
  fake::FakePlatform other;
  other.files.entries[skin] = false;
  other.files.unreadable.push_back(skin);
  Form1 skinned{other.platform};
  skinned.Form_Load();
  ASSERT_EQ(other.box.shown.size(), 1u);
  EXPECT_NE(other.box.shown[0].text.find("Form_Load at line 102\r\r"), std::string::npos);
  EXPECT_EQ(skinned.Frame1.BackColor(), platform::kColorButtonFace);
  EXPECT_EQ(skinned.SkinFramework1.AppliedTo(), 0u);
  EXPECT_TRUE(skinned.cSysTray1.InTray());
}

TEST_F(MainWindow, AFolderNamedLikeTheSkinIsNoSkin) {
  fp.files.entries[std::string(kFolder) + "\\x\\o.cjs"] = true;  // a folder of that name
  form.Form_Load();
  EXPECT_EQ(form.Frame1.BackColor(), Layout::kWhite);
  EXPECT_EQ(form.SkinFramework1.SkinPath(), "");
}

TEST_F(MainWindow, MinimisingHidesIntoTheTrayWithOneBalloonARun) {
  form.Form_Load();
  form.Show();
  fp.log.calls.clear();
  Minimise();
  EXPECT_FALSE(fp.window.visible);
  EXPECT_EQ(fp.window.state, platform::kStateNormal);
  EXPECT_TRUE(HiddenInTray);
  EXPECT_EQ(Balloons(), 1u);
  EXPECT_EQ(fp.log.Starting("Hide").size(), 1u);
  const auto& balloon = *std::find_if(fp.tray.sent.begin(), fp.tray.sent.end(),
                                      [](const auto& s) { return s.data.uFlags == platform::kNifInfo; });
  EXPECT_EQ(std::string(balloon.data.szInfo), kBalloonText);
  EXPECT_EQ(std::string(balloon.data.szInfoTitle), kProductName);
  EXPECT_EQ(balloon.data.uTimeout, 5000u);
  EXPECT_EQ(fp.clock.waits.front(), 5000u);

  ClickTrayIcon();
  EXPECT_TRUE(fp.window.visible);
  EXPECT_TRUE(fp.window.focused);
  EXPECT_FALSE(HiddenInTray);

  Minimise();  // hidden again, without a balloon
  EXPECT_FALSE(fp.window.visible);
  EXPECT_EQ(Balloons(), 1u);

  // Minimised while already hidden: nothing.
  fp.log.calls.clear();
  Minimise();
  EXPECT_EQ(fp.log.Count("Hide"), 0u);
}

TEST_F(MainWindow, ATrayClickBringsAWindowMinimisedToTheTaskbarBackInNormalSize) {
  form.Form_Load();
  form.Show();
  HiddenInTray = true;  // shown by the arming while flagged: a minimise only minimises
  Minimise();
  EXPECT_EQ(fp.window.state, platform::kStateMinimized);
  ClickTrayIcon();
  EXPECT_EQ(fp.window.state, platform::kStateNormal);
  EXPECT_TRUE(fp.window.visible);
  EXPECT_FALSE(HiddenInTray);
  fp.tray.Send(form.cSysTray1.hWnd(), 1125, 0, 517);  // the right button does the same
  EXPECT_EQ(fp.log.Count("SetFocus"), 2u);
}

TEST_F(MainWindow, StartedInTheTrayItStaysThereWhenTheShortcutsAreArmed) {
  fp.registry.AddKey(platform::kHkeyLocalMachine, RegStuff::kRunKey);
  Store("Windows Startup", "On");
  Store("Minimized", "On");
  form.Form_Load();
  EXPECT_EQ(fp.window.state, platform::kStateMinimized);
  fp.window.onStateChange = [this] { form.Form_Resize(); };
  form.Show();  // shown minimised; the window system reports the state after it
  form.Form_Resize();
  EXPECT_FALSE(fp.window.visible);
  EXPECT_TRUE(HiddenInTray);
  fp.messages.onWait = [](int) { ShortCuts::StopProcessing = true; };
  form.Timer1_Timer();
  EXPECT_FALSE(fp.window.visible);
  EXPECT_EQ(fp.hotkeys.registered.size(), 2u);
  ClickTrayIcon();
  EXPECT_TRUE(fp.window.visible);
}

TEST_F(MainWindow, WithoutANotificationAreaMinimisingOnlyMinimises) {
  fp.tray.available = false;
  form.Form_Load();
  form.Show();
  Minimise();
  EXPECT_TRUE(fp.window.visible);
  EXPECT_EQ(fp.window.state, platform::kStateMinimized);
  EXPECT_FALSE(HiddenInTray);
  EXPECT_EQ(Balloons(), 0u);
}

TEST_F(MainWindow, WhenTheNotificationAreaGoesTheHiddenWindowComesBack) {
  form.Form_Load();
  form.Show();
  Minimise();
  ASSERT_FALSE(fp.window.visible);
  fp.tray.HostChanged(false);
  EXPECT_TRUE(fp.window.visible);
  EXPECT_EQ(fp.window.state, platform::kStateNormal);
  EXPECT_FALSE(HiddenInTray);
  fp.tray.sent.clear();
  fp.tray.HostChanged(true);  // and the icon returns with the host
  ASSERT_EQ(fp.tray.sent.size(), 1u);
  EXPECT_EQ(fp.tray.sent[0].message, platform::kNimAdd);
  EXPECT_TRUE(fp.window.visible);
}

TEST_F(MainWindow, ClosingRemovesTheIconAndEndsWithoutUnload) {
  form.Form_Load();
  fp.log.calls.clear();
  try {
    form.Form_QueryUnload();
    FAIL() << "the program went on";
  } catch (const fake::ProgramEnded& ended) {
    EXPECT_EQ(ended.status, 0);
  }
  EXPECT_EQ(fp.log.calls, (std::vector<std::string>{"Shell_NotifyIconA 2 flags=0", "SetWindowLongA proc",
                                                    "StopTimer", "DoEvents", "DoEvents", "EndProgram 0"}));
  EXPECT_FALSE(form.Timer1.Enabled());
}

TEST_F(MainWindow, PointerFollowsTheMouseButNeverOverwritesBusy) {
  form.PushButton2.MouseMove();
  EXPECT_EQ(fp.window.pointer, 99);
  form.Frame1.MouseMove();
  EXPECT_EQ(fp.window.pointer, 0);
  for (auto* handler : {&form.PushButton1.MouseMove, &form.PushButton3.MouseMove, &form.PushButton4.MouseMove}) {
    form.Frame3.MouseMove();
    (*handler)();
    EXPECT_EQ(fp.window.pointer, 99);
  }
  fp.log.calls.clear();
  form.PushButton4.MouseMove();  // already the hand: the window is not asked again
  EXPECT_EQ(fp.log.Count("SetPointer"), 0u);
  for (auto* handler : {&form.Me.MouseMove, &form.Frame2.MouseMove, &form.Frame3.MouseMove, &form.Text2.MouseMove}) {
    form.PushButton1.MouseMove();
    (*handler)();
    EXPECT_EQ(fp.window.pointer, 0);
  }
  form.Me.SetMousePointer(platform::kPointerBusy);
  form.PushButton1.MouseMove();
  form.Me.MouseMove();
  EXPECT_EQ(fp.window.pointer, 11);
}

TEST_F(MainWindow, HelpAndNoteTextsWithTheShortTitle) {
  form.Form_Load();
  form.PushButton1.Click();
  form.PushButton4.Click();
  ASSERT_EQ(fp.box.shown.size(), 2u);
  EXPECT_EQ(fp.box.shown[0].text,
            std::string("For faster results, it may be more efficient to hold down the keys on the keyboard rather "
                        "than tap the keys on the keyboard.\r\rThis software minimizes to the bottom-right corner of "
                        "the screen.\r\n\r\nQuestions? Please contact Team Brightfen at ") +
                config::kContactPage);
  EXPECT_EQ(fp.box.shown[1].text,
            "If the shortcut is not working, please use these buttons to make sure you are not pressing the wrong "
            "shortcut key on the keyboard");
  for (const auto& box : fp.box.shown) {
    EXPECT_EQ(box.caption, "Sonoquill Soft and Loud Speaker Dial");
    EXPECT_EQ(box.style, 0u);
  }
}

TEST_F(MainWindow, TestButtonsStepTheVolumeAsTheShortcutsDo) {
  WinVersion::WindowsMajorVersion = 10;
  fp.audio.script.level = 0.5f;
  form.PushButton2.Click();
  form.PushButton3.Click();
  form.PushButton3.Click();
  ASSERT_EQ(fp.audio.levelsWritten.size(), 3u);
  EXPECT_FLOAT_EQ(fp.audio.levelsWritten[0], 0.51f);
  EXPECT_FLOAT_EQ(fp.audio.levelsWritten[2], 0.49f);
  // A failing message box is the handler's own: its box names the handler and line 100.
  struct FailingOnce : fake::FakeMessageBox {
    using FakeMessageBox::FakeMessageBox;
    int MessageBoxA(const std::string& text, const std::string& caption, unsigned style) override {
      if (!failed) {
        failed = true;
        throw platform::Failure("Out of memory");
      }
      return FakeMessageBox::MessageBoxA(text, caption, style);
    }
    bool failed = false;
  } box{fp.log};
  platform::Platform p{box,       fp.audio,    fp.mixer,    fp.version, fp.atoms, fp.hotkeys,  fp.messages, fp.timer,
                       fp.window, fp.settings, fp.registry, fp.files,   fp.tray,  fp.clock,    fp.codepage, fp.pictures};
  Form1 other{p};
  other.PushButton4.Click();
  ASSERT_EQ(box.shown.size(), 1u);
  EXPECT_NE(box.shown[0].text.find("in Hushdial2021/08/31.Form1.PushButton4_Click at line 100\r\r"), std::string::npos);
}

TEST(MainWindowLayout, CaptionsPlacesAndTabOrderAsDesigned) {
  const auto& controls = Layout::Controls();
  ASSERT_EQ(controls.size(), 15u);
  std::vector<const Layout::Entry*> byTab;
  for (const auto& c : controls) byTab.push_back(&c);
  std::sort(byTab.begin(), byTab.end(), [](auto* a, auto* b) { return a->tabIndex < b->tabIndex; });
  std::vector<std::string> order;
  for (auto* c : byTab) order.push_back(c->name);
  EXPECT_EQ(order, (std::vector<std::string>{"Text2", "PushButton1", "Frame1", "Combo1", "Combo2", "Label1", "Frame3",
                                             "Check4", "Check8", "Label2", "Label3", "Frame2", "PushButton2",
                                             "PushButton3", "PushButton4"}));
  const auto& b3 = controls[static_cast<std::size_t>(Layout::IndexOf("PushButton3"))];
  EXPECT_STREQ(b3.caption, "Decrease Volume ");
  EXPECT_STREQ(b3.parent, "Frame2");
  EXPECT_EQ((std::vector<int>{b3.left, b3.top, b3.width, b3.height}), (std::vector<int>{3480, 300, 3120, 405}));
  EXPECT_EQ(b3.font.points, 11.25);
  const auto& check8 = controls[static_cast<std::size_t>(Layout::IndexOf("Check8"))];
  EXPECT_EQ((std::vector<int>{check8.left, check8.top, check8.width, check8.height}),
            (std::vector<int>{4200, 300, 2100, 285}));
  const auto& text2 = controls[static_cast<std::size_t>(Layout::IndexOf("Text2"))];
  EXPECT_GT(text2.top, Layout::kClientHeight);  // never seen
  // Every control fits its parent (the text box apart).
  for (const auto& c : controls) {
    if (std::string(c.name) == "Text2") continue;
    const int width = c.parent ? controls[static_cast<std::size_t>(Layout::IndexOf(c.parent))].width : Layout::kClientWidth;
    const int height = c.parent ? controls[static_cast<std::size_t>(Layout::IndexOf(c.parent))].height : Layout::kClientHeight;
    EXPECT_LE(c.left + c.width, width) << c.name;
    EXPECT_LE(c.top + c.height, height) << c.name;
  }
}

TEST_F(MainWindow, TheBinderBuildsFromTheModelsAndPassesUserActionsOn) {
  form.Form_Load();
  WindowBinder binder(form, fp.window);
  binder.Build();
  const int combo1 = Layout::IndexOf("Combo1");
  const int check4 = Layout::IndexOf("Check4");
  const int check8 = Layout::IndexOf("Check8");
  ASSERT_EQ(fp.window.controls.size(), 15u);
  EXPECT_EQ(fp.window.form.caption, kProductName);
  EXPECT_EQ(fp.window.controls[static_cast<std::size_t>(combo1)].items.size(), 26u);
  EXPECT_EQ(fp.window.controls[static_cast<std::size_t>(combo1)].selected, 16);
  EXPECT_FALSE(fp.window.controls[static_cast<std::size_t>(check8)].visible);
  EXPECT_EQ(fp.window.controls[static_cast<std::size_t>(Layout::IndexOf("Label1"))].backColor, 0xFFFFFFu);

  fp.settings.saves.clear();
  fp.window.events->ListPicked(combo1, 22);  // the user picks W
  EXPECT_EQ(fp.settings.saves, std::vector<std::string>{"Combo1=22"});
  EXPECT_NE(fp.window.controls[static_cast<std::size_t>(Layout::IndexOf("Label1"))].caption.find("Ctrl+Shift+W"),
            std::string::npos);
  fp.window.events->ListPicked(combo1, 40);  // nonsense from a widget is dropped at the boundary
  EXPECT_EQ(form.Combo1.ListIndex(), 22);

  fp.registry.AddKey(platform::kHkeyLocalMachine, RegStuff::kRunKey);
  fp.window.events->CheckClicked(check4, true);
  EXPECT_TRUE(fp.window.controls[static_cast<std::size_t>(check8)].visible);
  EXPECT_EQ(fp.settings.saves.back(), "Windows Startup=On");

  fp.window.events->ButtonClicked(Layout::IndexOf("PushButton4"));
  EXPECT_EQ(fp.box.shown.size(), 1u);
  fp.window.events->MouseMoved(Layout::IndexOf("PushButton1"));
  EXPECT_EQ(fp.window.pointer, 99);
  fp.window.events->MouseMoved(-1);
  EXPECT_EQ(fp.window.pointer, 0);

  EXPECT_THROW(fp.window.events->CloseRequested(), fake::ProgramEnded);
  EXPECT_FALSE(form.cSysTray1.InTray());
}

}  // namespace
}  // namespace hush
