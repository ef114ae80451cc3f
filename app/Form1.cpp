#include "app/Form1.h"

#include <cctype>
#include <cstdlib>

#include "core/ErrorReport.h"
#include "hotkeys/ShortCuts.h"
#include "system/mStartUp.h"
#include "volume/VolumeSet.h"
#include "volume/WinVersion.h"

namespace hush {

Form1::Form1(platform::Platform& platform) : platform_(platform) {
  Combo1.Click = [this] { Combo1_Click(); };
  Combo1.Change = [this] { Combo1_Change(); };
  Combo2.Click = [this] { Combo2_Click(); };
  Combo2.Change = [this] { Combo2_Change(); };
  Check4.Click = [this] { Check4_Click(); };
  Check8.Click = [this] { Check8_Click(); };
  Timer1.Tick = [this] { Timer1_Timer(); };
  Timer1.Changed = [this] { BindTimer(); };
}

Form1::~Form1() {
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
    if (report.Test(164, [&] { return Check8.Value() == 1; })) report.Line(166, [&] { WindowState = 1; });
  } else {
    report.Line(168, [&] { Check8.SetVisible(false); });
  }
  report.Line(170, [&] { Timer1.SetEnabled(true); });
  report.Line(172, [&] { Timer1.SetInterval(10); });
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
  // Each registration first releases what this identifier held, so an old letter is freed.
  report.Line(102, [&] { ShortCuts::IncreaseHotkeyId = platform_.atoms.GlobalAddAtomA(ShortCuts::kIncreaseAtom); });
  report.Line(104, [&] {
    hotkeys.UnregisterHotKey(hWnd(), ShortCuts::IncreaseHotkeyId);
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
  report.Line(112, [&] { Show(); });
  report.Line(114, [&] { ShortCuts::ProcessMessages(platform_, [this] { return hWnd(); }); });
}

}  // namespace hush
