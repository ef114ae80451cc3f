#include "app/WindowBinder.h"

#include "app/Layout.h"

namespace hush {

namespace {
// A user's action ends here: nothing a handler lets through may reach the window system.
template <class Action>
void Guarded(Action&& action) {
  try {
    action();
  } catch (...) {
  }
}

template <class Model>
Model* Find(const std::map<int, Model*>& models, int id) {
  const auto it = models.find(id);
  return it == models.end() ? nullptr : it->second;
}

std::vector<std::string> Items(const ComboBox& list) {
  std::vector<std::string> items;
  for (int i = 0; i < list.ListCount(); ++i) items.push_back(list.List(i));
  return items;
}
}  // namespace

WindowBinder::WindowBinder(Form1& form, platform::IMainWindow& window) : form_(form), window_(window) {
  const auto id = [](const char* name) { return Layout::IndexOf(name); };
  labels_ = {{id("Label1"), &form.Label1}, {id("Label2"), &form.Label2}, {id("Label3"), &form.Label3}};
  lists_ = {{id("Combo1"), &form.Combo1}, {id("Combo2"), &form.Combo2}};
  checks_ = {{id("Check4"), &form.Check4}, {id("Check8"), &form.Check8}};
  frames_ = {{id("Frame1"), &form.Frame1}, {id("Frame2"), &form.Frame2}, {id("Frame3"), &form.Frame3}};
  buttons_ = {{id("PushButton1"), &form.PushButton1},
              {id("PushButton2"), &form.PushButton2},
              {id("PushButton3"), &form.PushButton3},
              {id("PushButton4"), &form.PushButton4}};
  moves_ = {{-1, &form.Me.MouseMove}, {id("Text2"), &form.Text2.MouseMove}};
  for (auto [key, frame] : frames_) moves_[key] = &frame->MouseMove;
  for (auto [key, button] : buttons_) moves_[key] = &button->MouseMove;
}

WindowBinder::~WindowBinder() {
  for (auto [id, model] : labels_) model->Changed = nullptr;
  for (auto [id, model] : lists_) model->Changed = nullptr;
  for (auto [id, model] : checks_) model->Changed = nullptr;
  for (auto [id, model] : frames_) model->Changed = nullptr;
}

void WindowBinder::Build() {
  platform::FormLayout layout{.caption = form_.Me.Caption(),
                              .clientWidth = Layout::kClientWidth,
                              .clientHeight = Layout::kClientHeight,
                              .backColor = form_.Me.BackColor(),
                              .font = Layout::WindowFont()};
  std::vector<platform::ControlLayout> controls;
  const auto& entries = Layout::Controls();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Layout::Entry& e = entries[i];
    controls.push_back({.id = static_cast<int>(i),
                        .kind = e.kind,
                        .parent = e.parent ? Layout::IndexOf(e.parent) : -1,
                        .caption = e.caption,
                        .left = e.left,
                        .top = e.top,
                        .width = e.width,
                        .height = e.height,
                        .font = e.font,
                        .tabIndex = e.tabIndex,
                        .backColor = e.backColor,
                        .foreColor = e.foreColor,
                        .visible = true,
                        .items = {},
                        .selected = -1,
                        .checked = false,
                        .description = {},
                        .status = false,
                        .focusHolder = false,
                        .label = -1});
  }
  // What the models hold now, over the design's first values.
  const auto at = [&](int id) -> platform::ControlLayout& { return controls[static_cast<std::size_t>(id)]; };
  // What a screen reader needs beyond the captions: "?" says what it explains, the status line is
  // announced when it changes, and the focus holder stays out of sight.
  at(Layout::IndexOf("PushButton4")).description = kTestButtonNote;
  at(Layout::IndexOf("Label1")).status = true;
  at(Layout::IndexOf("Text2")).focusHolder = true;
  at(Layout::IndexOf("Combo1")).label = Layout::IndexOf("Label2");  // "Increase:"
  at(Layout::IndexOf("Combo2")).label = Layout::IndexOf("Label3");  // "Decrease:"
  for (auto [id, label] : labels_) {
    at(id).caption = label->Caption();
    at(id).backColor = label->BackColor();
  }
  for (auto [id, list] : lists_) {
    at(id).items = Items(*list);
    at(id).selected = list->ListIndex();
  }
  for (auto [id, check] : checks_) {
    at(id).checked = check->Value() == 1;
    at(id).visible = check->Visible();
    at(id).backColor = check->BackColor();
  }
  for (auto [id, frame] : frames_) at(id).backColor = frame->BackColor();
  window_.Build(layout, controls, this);

  for (const auto& entry : labels_)
    entry.second->Changed = [this, id = entry.first, label = entry.second] {
      window_.SetControlText(id, label->Caption());
      window_.SetControlColors(id, label->BackColor(), label->ForeColor());
    };
  for (const auto& entry : lists_)
    entry.second->Changed = [this, id = entry.first, list = entry.second] {
      window_.SetControlItems(id, Items(*list));
      window_.SetControlSelection(id, list->ListIndex());
    };
  for (const auto& entry : checks_)
    entry.second->Changed = [this, id = entry.first, check = entry.second] {
      window_.SetControlChecked(id, check->Value() == 1);
      window_.SetControlVisible(id, check->Visible());
      window_.SetControlColors(id, check->BackColor(), platform::kColorWindowText);
    };
  for (const auto& entry : frames_)
    entry.second->Changed = [this, id = entry.first, frame = entry.second] {
      window_.SetControlText(id, frame->Caption());
      window_.SetControlColors(id, frame->BackColor(), platform::kColorWindowText);
    };
}

void WindowBinder::ListPicked(int id, int index) {
  Guarded([&] {
    if (ComboBox* list = Find(lists_, id)) list->SetListIndex(index);
  });
}

void WindowBinder::CheckClicked(int id, bool checked) {
  Guarded([&] {
    if (CheckBox* check = Find(checks_, id)) check->SetValue(checked ? 1 : 0);
  });
}

void WindowBinder::ButtonClicked(int id) {
  Guarded([&] {
    if (PushButton* button = Find(buttons_, id); button && button->Click) button->Click();
  });
}

void WindowBinder::MouseMoved(int id) {
  Guarded([&] {
    if (std::function<void()>* handler = Find(moves_, id); handler && *handler) (*handler)();
  });
}

void WindowBinder::StateChanged() {
  Guarded([&] { form_.Form_Resize(); });
}

void WindowBinder::CloseRequested() {
  try {
    form_.Form_QueryUnload();
  } catch (...) {
    window_.EndProgram(0);  // a failure on the way must not keep the program open
  }
}

}  // namespace hush
