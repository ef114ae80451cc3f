#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/picture.h"

namespace hush::platform {

using WindowHandle = std::uintptr_t;

// The platform message record; the pump reads only wParam.
struct Msg {
  WindowHandle hwnd;
  std::uint32_t message;
  std::uintptr_t wParam;
  std::intptr_t lParam;
  std::uint32_t time;
  std::int32_t ptX;
  std::int32_t ptY;
};

inline constexpr std::uint32_t kWmHotkey = 786;  // WM_HOTKEY
inline constexpr std::uint32_t kPmRemove = 1;
inline constexpr std::uint32_t kModAlt = 1;
inline constexpr std::uint32_t kModControl = 2;
inline constexpr std::uint32_t kModShift = 4;
inline constexpr std::uint32_t kModWin = 8;

// The global atom table: the same number for the same string, 0 on failure.
class IAtomTable {
 public:
  virtual ~IAtomTable() = default;
  virtual std::uint16_t GlobalAddAtomA(const std::string& text) = 0;
};

// System-wide shortcuts bound to a window; each press posts a hotkey message carrying the identifier.
class IHotkeys {
 public:
  virtual ~IHotkeys() = default;
  // False when refused (the combination is held by another program or by this window already).
  virtual bool RegisterHotKey(WindowHandle window, std::int32_t id, std::uint32_t modifiers, std::uint32_t vk) = 0;
  virtual bool UnregisterHotKey(WindowHandle window, std::int32_t id) = 0;
};

// The user-interface thread's message queue.
class IMessageLoop {
 public:
  virtual ~IMessageLoop() = default;
  // Blocks until a new message arrives for the thread.
  virtual void WaitMessage() = 0;
  // Takes at most one message in [first, last] addressed to the window; true when one was taken.
  virtual bool PeekMessageA(Msg* msg, WindowHandle window, std::uint32_t first, std::uint32_t last,
                            std::uint32_t remove) = 0;
  // Dispatches every pending message (hotkey messages still queued included, which nothing acts on).
  virtual void DoEvents() = 0;
};

// A repeating timer on the user-interface thread.
class ITimerService {
 public:
  virtual ~ITimerService() = default;
  virtual void StartTimer(std::uint32_t intervalMs, std::function<void()> tick) = 0;
  virtual void StopTimer() = 0;
};

// System colour references, resolved by the backend to the desktop's own colours.
inline constexpr std::uint32_t kColorWindowBackground = 0x80000005;
inline constexpr std::uint32_t kColorWindowText = 0x80000008;
inline constexpr std::uint32_t kColorButtonFace = 0x8000000F;
inline constexpr bool IsSystemColor(std::uint32_t color) { return (color & 0x80000000u) != 0; }

// Window states and mouse pointers as the window's handlers use them.
inline constexpr int kStateNormal = 0;
inline constexpr int kStateMinimized = 1;
inline constexpr int kPointerDefault = 0;
inline constexpr int kPointerBusy = 11;
inline constexpr int kPointerCustom = 99;

enum class ControlKind { Label, Frame, ComboBox, CheckBox, PushButton, TextBox };

struct FontStyle {
  std::string name;
  double points;
  bool bold;
};

// One control of the window as a backend builds it; positions and sizes in twips, relative to the
// parent frame (or the window's client area when parent is -1).
struct ControlLayout {
  int id;
  ControlKind kind;
  int parent;
  std::string caption;
  int left, top, width, height;
  FontStyle font;
  int tabIndex;
  std::uint32_t backColor;
  std::uint32_t foreColor;
  bool visible;
  std::vector<std::string> items;  // lists only
  int selected;                    // lists only
  bool checked;                    // check boxes only
  // For assistive technologies (screen readers): what the control does, beyond its name; a label whose
  // changes are announced as the program's status; the focus holder, kept out of their sight and of
  // the Tab cycle.
  std::string description;
  bool status = false;
  bool focusHolder = false;
  int label = -1;  // lists: the label that names it
};

struct FormLayout {
  std::string caption;
  int clientWidth, clientHeight;  // twips
  std::uint32_t backColor;
  FontStyle font;
};

// What the user does to the window, reported by the backend for user actions only, never as the echo
// of a change the program made.
class IWindowEvents {
 public:
  virtual ~IWindowEvents() = default;
  virtual void ListPicked(int id, int index) = 0;
  virtual void CheckClicked(int id, bool checked) = 0;
  virtual void ButtonClicked(int id) = 0;
  // id -1: the window's own background.
  virtual void MouseMoved(int id) = 0;
  // The window's size or state changed; at start-up also once after it was first shown.
  virtual void StateChanged() = 0;
  // Asked to close, for any reason: close button, Alt+F4, system menu, the session ending.
  virtual void CloseRequested() = 0;
};

// The main window.
class IMainWindow {
 public:
  virtual ~IMainWindow() = default;
  virtual WindowHandle Handle() = 0;
  // Shows the window in its current state (minimised when that was asked for); centred the first time.
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool Visible() = 0;
  virtual int WindowState() = 0;
  // Changing the state of a hidden window keeps it hidden; the next Show uses the new state.
  virtual void SetWindowState(int state) = 0;
  virtual void SetFocus() = 0;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual void SetIcon(const PicturePtr& icon) = 0;
  virtual void SetBackColor(std::uint32_t color) = 0;
  // The pointer over the window and its controls; custom is the picture for kPointerCustom.
  virtual void SetPointer(int pointer, const PicturePtr& custom) = 0;

  // Creates the window's controls; events go to the listener from then on.
  virtual void Build(const FormLayout& form, const std::vector<ControlLayout>& controls, IWindowEvents* events) = 0;
  virtual void SetControlText(int id, const std::string& text) = 0;
  virtual void SetControlItems(int id, const std::vector<std::string>& items) = 0;
  virtual void SetControlSelection(int id, int index) = 0;
  virtual void SetControlChecked(int id, bool checked) = 0;
  virtual void SetControlVisible(int id, bool visible) = 0;
  virtual void SetControlColors(int id, std::uint32_t backColor, std::uint32_t foreColor) = 0;

  // Ends the process at once with the status; never returns.
  virtual void EndProgram(int status) = 0;
};

}  // namespace hush::platform
