#include "app/Form1.h"

#include "app/Layout.h"

#include <cctype>
#include <cstdlib>

#include "core/ErrorReport.h"
#include "hotkeys/ShortCuts.h"
#include "hushdial_config.h"
#include "platform/failure.h"
#include "system/mStartUp.h"
#include "volume/VolumeSet.h"
#include "volume/WinVersion.h"

namespace hush {

bool HiddenInTray = false;

Form1::Form1(platform::Platform& platform)
    : Me(platform.window), cSysTray1(platform, *this), SkinFramework1(platform.files), platform_(platform) {
  // As the window was designed: every control's caption, and the tray control as it was stored.
  const auto& layout = Layout::Controls();
  auto caption = [&](const char* name) { return std::string(layout[static_cast<std::size_t>(Layout::IndexOf(name))].caption); };
  PushButton1.SetCaption(caption("PushButton1"));
  PushButton2.SetCaption(caption("PushButton2"));
  PushButton3.SetCaption(caption("PushButton3"));
  PushButton4.SetCaption(caption("PushButton4"));
  Frame1.SetCaption(caption("Frame1"));
  Frame2.SetCaption(caption("Frame2"));
  Frame3.SetCaption(caption("Frame3"));
  Label2.SetCaption(caption("Label2"));
  Label3.SetCaption(caption("Label3"));
  Check4.SetCaption(caption("Check4"));
  Check8.SetCaption(caption("Check8"));
  Text2.SetText(caption("Text2"));
  for (Frame* frame : {&Frame1, &Frame2, &Frame3}) frame->SetBackColor(Layout::kWhite);
  for (CheckBox* check : {&Check4, &Check8}) check->SetBackColor(Layout::kWhite);
  for (Label* label : {&Label2, &Label3}) label->SetBackColor(platform::kColorWindowBackground);
  PropertyBag stored;
  stored.WriteProperty("InTray", false);
  stored.WriteProperty("TrayIcon", platform_.pictures.ProgramIcon());
  stored.WriteProperty("TrayTip", std::string());
  cSysTray1.ReadProperties(stored);

  Combo1.Click = [this] { Combo1_Click(); };
  Combo1.Change = [this] { Combo1_Change(); };
  Combo2.Click = [this] { Combo2_Click(); };
  Combo2.Change = [this] { Combo2_Change(); };
  Check4.Click = [this] { Check4_Click(); };
  Check8.Click = [this] { Check8_Click(); };
  Timer1.Tick = [this] { Timer1_Timer(); };
  Timer1.Changed = [this] { BindTimer(); };
  cSysTray1.MouseUp = [this](std::int16_t button, std::int32_t id) { cSysTray1_MouseUp(button, id); };
  cSysTray1.TrayHostChanged = [this](bool available) { cSysTray1_TrayHostChanged(available); };
  Me.MouseMove = [this] { Form_MouseMove(); };
  Frame1.MouseMove = [this] { Frame1_MouseMove(); };
  Frame2.MouseMove = [this] { Frame2_MouseMove(); };
  Frame3.MouseMove = [this] { Frame3_MouseMove(); };
  Text2.MouseMove = [this] { Text2_MouseMove(); };
  PushButton1.MouseMove = [this] { PushButton1_MouseMove(); };
  PushButton2.MouseMove = [this] { PushButton2_MouseMove(); };
  PushButton3.MouseMove = [this] { PushButton3_MouseMove(); };
  PushButton4.MouseMove = [this] { PushButton4_MouseMove(); };
  PushButton1.Click = [this] { PushButton1_Click(); };
  PushButton2.Click = [this] { PushButton2_Click(); };
  PushButton3.Click = [this] { PushButton3_Click(); };
  PushButton4.Click = [this] { PushButton4_Click(); };
}

Form1::~Form1() {
  try {
    cSysTray1.SetInTray(false);  // while this window can still hear about it
  } catch (...) {
  }
  if (timerStarted_) platform_.timer.StopTimer();
}

void Form1::BindTimer() {
  if (timerStarted_) platform_.timer.StopTimer();
  timerStarted_ = Timer1.Running();
  if (timerStarted_) platform_.timer.StartTimer(Timer1.Interval(), [this] { Timer1.Fire(); });
}

double Form1::NumericValue(const std::string& text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  std::string number;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) number += text[i++];
  bool point = false;
  bool digits = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (std::isdigit(static_cast<unsigned char>(c))) {
      number += c;
      digits = true;
    } else if (c == '.' && !point) {
      number += c;
      point = true;
    } else {
      break;
    }
  }
  return digits ? std::strtod(number.c_str(), nullptr) : 0.0;
}

void Form1::Form_Load() {
  ErrorReport report(platform_.box, ErrorReport::LocationText("Form1", "Form_Load"));
  auto setting = [this](const char* key, const char* fallback) {
    return platform_.settings.GetSetting(kSettingsApp, kProductName, key, fallback);
  };
  report.Line(102, [&] { ApplySkin(); });
  if (report.Test(104, [&] { return FileExists(InProgramFolder(kCursorFile)); }))
    report.Line(106, [&] { Me.SetMouseIcon(platform_.pictures.LoadPicture(InProgramFolder(kCursorFile))); });
  report.Line(128, [&] { Me.SetCaption(ProductName); });
  report.Line(128, [&] { Me.SetIcon(platform_.pictures.ProgramIcon()); });
  report.Line(128, [&] { ShortenAppTitle(); });
  report.Line(130, [&] { WinVersion::DetectWindowsVersion(platform_.version); });
  for (char letter = 'A'; letter <= 'Z'; ++letter)
    report.Line(134, [&] { Combo1.AddItem(std::string(ShortCuts::kKeyPrefix) + letter); });
  if (report.Test(138, [&] { return NumericValue(setting("Combo1", "0")) < Combo1.ListCount(); }))
    report.Line(140, [&] { Combo1.SetListIndex(VolumeSet::RoundToInt32(NumericValue(setting("Combo1", "16")))); });
  for (char letter = 'A'; letter <= 'Z'; ++letter)
    report.Line(144, [&] { Combo2.AddItem(std::string(ShortCuts::kKeyPrefix) + letter); });
  if (report.Test(148, [&] { return NumericValue(setting("Combo2", "0")) < Combo2.ListCount(); }))
    report.Line(150, [&] { Combo2.SetListIndex(VolumeSet::RoundToInt32(NumericValue(setting("Combo2", "0")))); });
  report.Line(152, [&] { ShowStatus(); });
  report.Line(154, [&] { Label1.SetBackColor(0xFFFFFF); });
  report.Line(156, [&] { Check4.SetValue(setting("Windows Startup", "Off") == "On" ? 1 : 0); });
  report.Line(158, [&] { Check8.SetValue(setting("Minimized", "Off") == "On" ? 1 : 0); });
  if (report.Test(160, [&] { return Check4.Value() == 1; })) {
    report.Line(162, [&] { Check8.SetVisible(true); });
    if (report.Test(164, [&] { return Check8.Value() == 1; }))
      report.Line(166, [&] { Me.SetWindowState(platform::kStateMinimized); });
  } else {
    report.Line(168, [&] { Check8.SetVisible(false); });
  }
  report.Line(170, [&] { Timer1.SetEnabled(true); });
  report.Line(172, [&] { Timer1.SetInterval(10); });
  report.Line(174, [&] { cSysTray1.SetText(ProductName); });
  report.Line(174, [&] { Me.SetIcon(platform_.pictures.ProgramIcon()); });
  report.Line(176, [&] { cSysTray1.SetInTray(true); });
}

void Form1::ShortenAppTitle() {
  std::string title = ProductName;
  do {
    const std::size_t blank = title.rfind(' ');
    if (blank == std::string::npos) throw platform::Failure("Invalid procedure call or argument");
    title.erase(blank);
  } while (title.size() > 40);
  AppTitle = title;
}

std::string Form1::InProgramFolder(const std::string& name) const {
  return platform_.files.ProgramFolder() + platform_.files.PathSeparator() + name;
}

bool Form1::FileExists(const std::string& path) {
  try {
    platform_.files.FileDateTime(path);
    return true;
  } catch (...) {
    return false;  // missing, a bad path or no access: all the same here
  }
}

void Form1::ApplySkin() {
  const char separator = platform_.files.PathSeparator();
  const std::string skin = std::string("x") + separator + "o.cjs";
  if (platform_.files.Dir(InProgramFolder(skin)).empty()) return;
  Me.SetBackColor(platform::kColorButtonFace);
  // The window's controls in their order; only option buttons, check boxes, frames and labels change.
  Label1.SetBackColor(platform::kColorButtonFace);
  Frame1.SetBackColor(platform::kColorButtonFace);
  Label2.SetBackColor(platform::kColorButtonFace);
  Label3.SetBackColor(platform::kColorButtonFace);
  Frame2.SetBackColor(platform::kColorButtonFace);
  Frame3.SetBackColor(platform::kColorButtonFace);
  Check4.SetBackColor(platform::kColorButtonFace);
  Check8.SetBackColor(platform::kColorButtonFace);
  SkinFramework1.LoadSkin(InProgramFolder(skin), "");
  SkinFramework1.SetOptions(SkinFramework1.Options() | 1);
  SkinFramework1.SetProperty5(true);
  SkinFramework1.SetProperty10(true);
  SkinFramework1.ApplyWindow(hWnd());
}

void Form1::Form_Resize() {
  if (Me.WindowState() != platform::kStateMinimized || HiddenInTray) return;
  // With no notification area a hidden window could not be brought back: it only minimises.
  if (!cSysTray1.TrayAvailable()) return;
  Me.Hide();
  Me.SetWindowState(platform::kStateNormal);
  HiddenInTray = true;
  cSysTray1.ShowBalloon(kBalloonText, ProductName, 5, true);
}

void Form1::cSysTray1_MouseUp(std::int16_t, std::int32_t) {
  Me.SetWindowState(platform::kStateNormal);  // a window minimised to the taskbar comes back in normal size
  Me.Show();
  Me.SetFocus();
  HiddenInTray = false;
}

void Form1::cSysTray1_TrayHostChanged(bool available) {
  // The notification area went away with the window in it: nothing could bring it back from there.
  if (available || !HiddenInTray) return;
  Me.SetWindowState(platform::kStateNormal);
  Me.Show();
  HiddenInTray = false;
}

void Form1::Form_QueryUnload() {
  cSysTray1.SetInTray(false);
  Timer1.SetEnabled(false);
  platform_.messages.DoEvents();
  platform_.messages.DoEvents();
  platform_.window.EndProgram(0);
}

void Form1::Form_Unload() { platform_.window.EndProgram(0); }

void Form1::SetPointer(int pointer) {
  if (Me.MousePointer() != platform::kPointerBusy) Me.SetMousePointer(pointer);
}

std::string Form1::HelpText() {
  return std::string(
             "For faster results, it may be more efficient to hold down the keys on the keyboard rather than tap the "
             "keys on the keyboard.") +
         "\r\r" + "This software minimizes to the bottom-right corner of the screen." + "\r\n\r\n" +
         "Questions? Please contact Team Brightfen at " + config::kContactPage;
}

void Form1::PushButton1_Click() {
  ErrorReport report(platform_.box, ErrorReport::LocationText("Form1", "PushButton1_Click"));
  report.Line(100, [&] { platform_.box.MessageBoxA(HelpText(), AppTitle, platform::kMbOk); });
}

void Form1::PushButton2_Click() {
  ErrorReport report(platform_.box, ErrorReport::LocationText("Form1", "PushButton2_Click"));
  report.Line(100, [&] { VolumeSet::SetVolume(platform_, true); });
}

void Form1::PushButton3_Click() {
  ErrorReport report(platform_.box, ErrorReport::LocationText("Form1", "PushButton3_Click"));
  report.Line(100, [&] { VolumeSet::SetVolume(platform_, false); });
}

void Form1::PushButton4_Click() {
  ErrorReport report(platform_.box, ErrorReport::LocationText("Form1", "PushButton4_Click"));
  report.Line(100, [&] { platform_.box.MessageBoxA(kTestButtonNote, AppTitle, platform::kMbOk); });
}

void Form1::FillKeyList(ComboBox& list) {
  for (char letter = 'A'; letter <= 'Z'; ++letter) list.AddItem(std::string(ShortCuts::kKeyPrefix) + letter);
}

std::string Form1::StatusText() const {
  return "Software is on.\r\nPress " + Combo1.Text() + " to increase volume and " + Combo2.Text() +
         " to decrease volume.";
}

void Form1::Save(const char* key, const std::string& value) {
  platform_.settings.SaveSetting(kSettingsApp, kProductName, key, value);
}

void Form1::SelectionHandling(const ComboBox& list, const char* key) {
  Save(key, std::to_string(static_cast<std::int16_t>(list.ListIndex())));
  ShowStatus();
  ShortCuts::StopProcessing = true;
}

void Form1::Combo1_Click() { SelectionHandling(Combo1, "Combo1"); }
void Form1::Combo1_Change() { SelectionHandling(Combo1, "Combo1"); }
void Form1::Combo2_Click() { SelectionHandling(Combo2, "Combo2"); }
void Form1::Combo2_Change() { SelectionHandling(Combo2, "Combo2"); }

void Form1::Check4_Click() {
  if (Check4.Value() == 1) {
    Check8.SetVisible(true);
    Save("Windows Startup", "On");
    mStartUp::AddToStartUp(platform_);
  } else {
    Check8.SetValue(0);  // saves "Minimized" = "Off" first when it was checked
    Check8.SetVisible(false);
    Save("Windows Startup", "Off");
    mStartUp::RemoveFromStartUp(platform_);
  }
}

void Form1::Check8_Click() { Save("Minimized", Check8.Value() == 1 ? "On" : "Off"); }

void Form1::Timer1_Timer() {
  ErrorReport report(platform_.box, ErrorReport::LocationText("Form1", "Timer1_Timer"));
  platform::IHotkeys& hotkeys = platform_.hotkeys;
  report.Line(100, [&] { ShortCuts::StopProcessing = false; });
  // Each registration first releases what this identifier held, so an old letter is freed. The old
  // decrease registration goes before the new increase one too: a letter moved from the decrease
  // list to the increase list must raise, as it does when both lists name it at the first arming.
  report.Line(102, [&] { ShortCuts::IncreaseHotkeyId = platform_.atoms.GlobalAddAtomA(ShortCuts::kIncreaseAtom); });
  report.Line(104, [&] {
    hotkeys.UnregisterHotKey(hWnd(), ShortCuts::IncreaseHotkeyId);
    if (ShortCuts::DecreaseHotkeyId != 0) hotkeys.UnregisterHotKey(hWnd(), ShortCuts::DecreaseHotkeyId);
    hotkeys.RegisterHotKey(hWnd(), ShortCuts::IncreaseHotkeyId, ShortCuts::kModifiers,
                           ShortCuts::KeyCode(Combo1.Text()));
  });
  report.Line(106, [&] { ShortCuts::DecreaseHotkeyId = platform_.atoms.GlobalAddAtomA(ShortCuts::kDecreaseAtom); });
  report.Line(108, [&] {
    hotkeys.UnregisterHotKey(hWnd(), ShortCuts::DecreaseHotkeyId);
    hotkeys.RegisterHotKey(hWnd(), ShortCuts::DecreaseHotkeyId, ShortCuts::kModifiers,
                           ShortCuts::KeyCode(Combo2.Text()));
  });
  report.Line(110, [&] { AutoRedraw = true; });
  // Started hidden in the tray, the window stays there until its icon is clicked.
  report.Line(112, [&] {
    if (!HiddenInTray) Show();
  });
  report.Line(114, [&] { ShortCuts::ProcessMessages(platform_, [this] { return hWnd(); }); });
}

}  // namespace hush
