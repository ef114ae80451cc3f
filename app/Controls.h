#pragma once
// Plain models of the main window's controls. A GUI backend binds one native widget to each and
// keeps both in step; the handlers are driven through the models alone.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

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

 private:
  std::string caption_;
  std::uint32_t backColor_ = 0x8000000F;  // system button face until start-up sets it
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

 private:
  int value_ = 0;
  bool visible_ = true;
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
