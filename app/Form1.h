#pragma once
#include <string>

#include "app/Controls.h"
#include "app/SkinFramework.h"
#include "platform/platform.h"
#include "tray/cSysTray.h"

namespace hush {

inline constexpr const char* kProductName = "Sonoquill Soft and Loud Speaker Dial Using Hotpress Chords";
inline constexpr const char* kSettingsApp = "Brightfen";
inline constexpr const char* kBalloonText =
    "has been minimized to the system tray.\r\nClick on the blue 'B' icon (B for Brightfen) to bring the software "
    "back.";
inline constexpr const char* kTestButtonNote =
    "If the shortcut is not working, please use these buttons to make sure you are not pressing the wrong shortcut "
    "key on the keyboard";
inline constexpr const char* kCursorFile = "HAND-M.CUR";

// True while the main window is hidden in the tray after a minimise.
extern bool HiddenInTray;

// The main window: its controls and every handler of the program's flow.
class Form1 : private IControlContainer {
 public:
  explicit Form1(platform::Platform& platform);
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;
  ~Form1() override;

  Form Me;
  Label Label1;
  PushButton PushButton1;  // "Help"
  Frame Frame1;            // "Hold These Shortcuts"
  Label Label2;            // "Increase:"
  ComboBox Combo1;         // increase key
  Label Label3;            // "Decrease:"
  ComboBox Combo2;         // decrease key
  Frame Frame2;            // the test buttons
  PushButton PushButton2;  // "Increase Volume"
  PushButton PushButton3;  // "Decrease Volume "
  PushButton PushButton4;  // "?"
  Frame Frame3;            // "Startup Options"
  CheckBox Check4;         // "Load this software on Windows startup" ("... on startup" on Linux)
  CheckBox Check8;         // "Start in system tray"
  TextBox Text2;
  cSysTray cSysTray1;
  Timer Timer1;
  SkinFramework SkinFramework1;
  bool AutoRedraw = false;
  // The title the program goes by in the task list and on message boxes without a caption of their own.
  std::string AppTitle = "Hushdial";  // the project's own name until start-up shortens the product name
  // The product name the program shows (caption, tooltip, balloon title) and shortens into AppTitle.
  std::string ProductName = kProductName;

  // The whole start-up: look, caption, version, choices, status, options, timer, tray icon.
  void Form_Load();
  void ShortenAppTitle();
  // The number a stored text begins with, 0 when it begins with none.
  static double NumericValue(const std::string& text);

  platform::WindowHandle hWnd() const { return platform_.window.Handle(); }
  void Show() { Me.Show(); }

  void Combo1_Click();
  void Combo1_Change();
  void Combo2_Click();
  void Combo2_Change();
  void Check4_Click();
  void Check8_Click();
  // The arming sequence: registers both shortcuts and runs the hotkey pump until it is stopped.
  void Timer1_Timer();

  // Window states and the tray.
  void Form_Resize();
  void cSysTray1_MouseUp(std::int16_t Button, std::int32_t Id);
  void Form_QueryUnload();  // ends the program
  void Form_Unload();  // ends the program
  void cSysTray1_TrayHostChanged(bool available);

  // The pointer: the arrow over the background, the frames and the text box, the hand over buttons.
  void Form_MouseMove() { SetPointer(platform::kPointerDefault); }
  void Frame1_MouseMove() { SetPointer(platform::kPointerDefault); }
  void Frame2_MouseMove() { SetPointer(platform::kPointerDefault); }
  void Frame3_MouseMove() { SetPointer(platform::kPointerDefault); }
  void Text2_MouseMove() { SetPointer(platform::kPointerDefault); }
  void PushButton1_MouseMove() { SetPointer(platform::kPointerCustom); }
  void PushButton2_MouseMove() { SetPointer(platform::kPointerCustom); }
  void PushButton3_MouseMove() { SetPointer(platform::kPointerCustom); }
  void PushButton4_MouseMove() { SetPointer(platform::kPointerCustom); }

  // The four buttons: help, one step up, one step down, the note on the test buttons.
  void PushButton1_Click();
  void PushButton2_Click();
  void PushButton3_Click();
  void PushButton4_Click();
  static std::string HelpText();

  // Skin and look.
  void ApplySkin();
  bool FileExists(const std::string& path);

  // "Software is on." and the two shortcuts to press.
  std::string StatusText() const;
  void ShowStatus() { Label1.SetCaption(StatusText()); }
  // The 26 entries "Ctrl+Shift+A" to "Ctrl+Shift+Z".
  static void FillKeyList(ComboBox& list);

  platform::Platform& Services() { return platform_; }

 private:
  bool UserMode() override { return true; }
  void PropertyChanged(const std::string&) override {}
  void SelectionHandling(const ComboBox& list, const char* key);
  void Save(const char* key, const std::string& value);
  void BindTimer();
  void SetPointer(int pointer);
  std::string InProgramFolder(const std::string& name) const;

  platform::Platform& platform_;
  bool timerStarted_ = false;
};

}  // namespace hush
