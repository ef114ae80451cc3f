#pragma once
#include <string>

#include "app/Controls.h"
#include "platform/platform.h"

namespace hush {

inline constexpr const char* kProductName = "Sonoquill Soft and Loud Speaker Dial Using Hotpress Chords";
inline constexpr const char* kSettingsApp = "Brightfen";

// The main window: its control models and the handlers of the shortcuts, options and timer.
class Form1 {
 public:
  explicit Form1(platform::Platform& platform);
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;
  ~Form1();

  Label Label1;
  ComboBox Combo1;  // increase key
  ComboBox Combo2;  // decrease key
  CheckBox Check4;  // "Load this software on Windows startup"
  CheckBox Check8;  // "Start in system tray"
  Timer Timer1;
  bool AutoRedraw = false;
  int WindowState = 0;  // 0 normal, 1 minimised

  // Restores the user's choices and starts the timer that arms the shortcuts.
  void Form_Load();
  // The number a stored text begins with, 0 when it begins with none.
  static double NumericValue(const std::string& text);

  platform::WindowHandle hWnd() const { return platform_.window.Handle(); }
  void Show() { platform_.window.Show(); }

  void Combo1_Click();
  void Combo1_Change();
  void Combo2_Click();
  void Combo2_Change();
  void Check4_Click();
  void Check8_Click();
  // The arming sequence: registers both shortcuts and runs the hotkey pump until it is stopped.
  void Timer1_Timer();

  // "Software is on." and the two shortcuts to press.
  std::string StatusText() const;
  void ShowStatus() { Label1.SetCaption(StatusText()); }
  // The 26 entries "Ctrl+Shift+A" to "Ctrl+Shift+Z".
  static void FillKeyList(ComboBox& list);

  platform::Platform& Services() { return platform_; }

 private:
  void SelectionHandling(const ComboBox& list, const char* key);
  void Save(const char* key, const std::string& value);
  void BindTimer();

  platform::Platform& platform_;
  bool timerStarted_ = false;
};

}  // namespace hush
