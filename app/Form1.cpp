#include "app/Form1.h"

#include "app/ErrorReport.h"
#include "hotkeys/ShortCuts.h"
#include "system/mStartUp.h"

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
