#pragma once
// Plain models of the main window's controls. A GUI backend binds one native widget to each and
// keeps both in step; the handlers are driven through the models alone.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/window_system.h"

namespace hush {

// Something a bound widget listens to so that it can redraw.
class ControlModel {
 public:
  std::function<void()> Changed;

 protected:
  void NotifyChanged() {
    if (Changed) Changed();
  }
};

class Label : public ControlModel {
 public:
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  std::uint32_t BackColor() const { return backColor_; }
  void SetBackColor(std::uint32_t color);
  std::uint32_t ForeColor() const { return foreColor_; }
  void SetForeColor(std::uint32_t color);

 private:
  std::string caption_;
  std::uint32_t backColor_ = platform::kColorButtonFace;
  std::uint32_t foreColor_ = platform::kColorWindowText;
};

// A frame around a group of controls.
class Frame : public ControlModel {
 public:
  std::function<void()> MouseMove;
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  std::uint32_t BackColor() const { return backColor_; }
  void SetBackColor(std::uint32_t color);

 private:
  std::string caption_;
  std::uint32_t backColor_ = platform::kColorButtonFace;
};

class PushButton : public ControlModel {
 public:
  std::function<void()> Click;
  std::function<void()> MouseMove;
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  const platform::FontStyle& Font() const { return font_; }
  void SetFont(platform::FontStyle font) { font_ = std::move(font); }

 private:
  std::string caption_;
  platform::FontStyle font_{"Arial", 11.25, true};
};

class TextBox : public ControlModel {
 public:
  std::function<void()> MouseMove;
  const std::string& Text() const { return text_; }
  void SetText(std::string text);

 private:
  std::string text_;
};

// A drop-down list: the user picks an entry and can't type.
class ComboBox : public ControlModel {
 public:
  std::function<void()> Click;   // the selected entry changed
  std::function<void()> Change;  // the text was edited

  void AddItem(std::string item);
  int ListCount() const { return static_cast<int>(items_.size()); }
  const std::string& List(int index) const { return items_.at(static_cast<std::size_t>(index)); }
  int ListIndex() const { return index_; }
  // -1 clears the selection; anything else outside the list is a failure. Raises Click only on a change.
  void SetListIndex(int index);
  // The selected entry, empty when nothing is selected.
  std::string Text() const { return index_ < 0 ? std::string() : items_[static_cast<std::size_t>(index_)]; }

 private:
  std::vector<std::string> items_;
  int index_ = -1;
};

class CheckBox : public ControlModel {
 public:
  std::function<void()> Click;  // the value changed

  int Value() const { return value_; }
  // 0 clear, 1 checked; anything else is a failure. Raises Click only on a change.
  void SetValue(int value);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  const std::string& Caption() const { return caption_; }
  void SetCaption(std::string caption);
  std::uint32_t BackColor() const { return backColor_; }
  void SetBackColor(std::uint32_t color);

 private:
  int value_ = 0;
  bool visible_ = true;
  std::string caption_;
  std::uint32_t backColor_ = platform::kColorButtonFace;
};

// The window itself. What the window system owns (whether it is shown, its state) is asked of it;
// the rest is kept here and passed on when it changes.
class Form {
 public:
  explicit Form(platform::IMainWindow& window) : window_(window) {}
  std::function<void()> MouseMove;

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  const platform::PicturePtr& Icon() const { return icon_; }
  void SetIcon(const platform::PicturePtr& icon);
  std::uint32_t BackColor() const { return backColor_; }
  void SetBackColor(std::uint32_t color);
  int MousePointer() const { return pointer_; }
  void SetMousePointer(int pointer);
  const platform::PicturePtr& MouseIcon() const { return mouseIcon_; }
  void SetMouseIcon(const platform::PicturePtr& picture);
  int WindowState() const { return window_.WindowState(); }
  void SetWindowState(int state) { window_.SetWindowState(state); }
  bool Visible() const { return window_.Visible(); }
  void Show() { window_.Show(); }
  void Hide() { window_.Hide(); }
  void SetFocus() { window_.SetFocus(); }

 private:
  platform::IMainWindow& window_;
  std::string caption_;
  platform::PicturePtr icon_;
  std::uint32_t backColor_ = 0xFFFFFF;
  int pointer_ = platform::kPointerDefault;
  platform::PicturePtr mouseIcon_;
};

// A repeating timer whose handler is never re-entered: ticks that fall due while it runs are dropped.
class Timer : public ControlModel {
 public:
  std::function<void()> Tick;  // the handler, run by Fire()

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  std::uint32_t Interval() const { return interval_; }
  void SetInterval(std::uint32_t ms);
  // Ticking: enabled with a non-zero interval.
  bool Running() const { return enabled_ && interval_ > 0; }
  // Called by the bound platform timer for every tick.
  void Fire();
  bool InTick() const { return inTick_; }
  int DroppedTicks() const { return dropped_; }

 private:
  bool enabled_ = false;
  std::uint32_t interval_ = 0;
  bool inTick_ = false;
  int dropped_ = 0;
};

}  // namespace hush
