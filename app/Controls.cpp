#include "app/Controls.h"

#include "platform/failure.h"

namespace hush {

void Label::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  NotifyChanged();
}

void Label::SetBackColor(std::uint32_t color) {
  if (color == backColor_) return;
  backColor_ = color;
  NotifyChanged();
}

void Label::SetForeColor(std::uint32_t color) {
  if (color == foreColor_) return;
  foreColor_ = color;
  NotifyChanged();
}

void Frame::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  NotifyChanged();
}

void Frame::SetBackColor(std::uint32_t color) {
  if (color == backColor_) return;
  backColor_ = color;
  NotifyChanged();
}

void PushButton::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  NotifyChanged();
}

void TextBox::SetText(std::string text) {
  if (text == text_) return;
  text_ = std::move(text);
  NotifyChanged();
}

void CheckBox::SetCaption(std::string caption) {
  if (caption == caption_) return;
  caption_ = std::move(caption);
  NotifyChanged();
}

void CheckBox::SetBackColor(std::uint32_t color) {
  if (color == backColor_) return;
  backColor_ = color;
  NotifyChanged();
}

void Form::SetCaption(const std::string& caption) {
  caption_ = caption;
  window_.SetCaption(caption);
}

void Form::SetIcon(const platform::PicturePtr& icon) {
  icon_ = icon;
  window_.SetIcon(icon);
}

void Form::SetBackColor(std::uint32_t color) {
  backColor_ = color;
  window_.SetBackColor(color);
}

void Form::SetMousePointer(int pointer) {
  if (pointer == pointer_) return;  // set on every move of the mouse
  pointer_ = pointer;
  window_.SetPointer(pointer_, mouseIcon_);
}

void Form::SetMouseIcon(const platform::PicturePtr& picture) {
  mouseIcon_ = picture;
  window_.SetPointer(pointer_, mouseIcon_);
}

void ComboBox::AddItem(std::string item) {
  items_.push_back(std::move(item));
  NotifyChanged();
}

void ComboBox::SetListIndex(int index) {
  if (index < -1 || index >= ListCount()) throw platform::Failure("Invalid property value");
  if (index == index_) return;
  index_ = index;
  NotifyChanged();
  if (Click) Click();
}

void CheckBox::SetValue(int value) {
  if (value != 0 && value != 1) throw platform::Failure("Invalid property value");
  if (value == value_) return;
  value_ = value;
  NotifyChanged();
  if (Click) Click();
}

void CheckBox::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  NotifyChanged();
}

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  NotifyChanged();
}

void Timer::SetInterval(std::uint32_t ms) {
  if (ms == interval_) return;
  interval_ = ms;
  NotifyChanged();
}

void Timer::Fire() {
  if (!Running()) return;
  if (inTick_) {  // a tick inside the running handler would arm a second pump inside the first
    ++dropped_;
    return;
  }
  inTick_ = true;
  struct Leave {
    bool& flag;
    ~Leave() { flag = false; }
  } leave{inTick_};
  if (Tick) Tick();
}

}  // namespace hush
