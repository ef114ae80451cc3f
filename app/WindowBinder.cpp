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
}  // namespace

WindowBinder::WindowBinder(Form1& form, platform::IMainWindow& window) : form_(form), window_(window) {}

WindowBinder::~WindowBinder() {
  for (ControlModel* model : std::initializer_list<ControlModel*>{
           &form_.Label1, &form_.Label2, &form_.Label3, &form_.Combo1, &form_.Combo2, &form_.Check4, &form_.Check8,
           &form_.Frame1, &form_.Frame2, &form_.Frame3})
    model->Changed = nullptr;
}

int WindowBinder::Id(const char* name) const { return Layout::IndexOf(name); }

void WindowBinder::Build() {
  platform::FormLayout layout{form_.Me.Caption(), Layout::kClientWidth, Layout::kClientHeight, form_.Me.BackColor(),
                          Layout::WindowFont()};
  std::vector<platform::ControlLayout> controls;
  const auto& entries = Layout::Controls();
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Layout::Entry& e = entries[i];
    platform::ControlLayout c{static_cast<int>(i), e.kind, e.parent ? Layout::IndexOf(e.parent) : -1, e.caption,
                            e.left, e.top, e.width, e.height, e.font, e.tabIndex, e.backColor, e.foreColor, true,
                            {}, -1, false};
    controls.push_back(std::move(c));
  }
  auto at = [&](const char* name) -> platform::ControlLayout& { return controls[static_cast<std::size_t>(Id(name))]; };
  at("Label1").caption = form_.Label1.Caption();
  at("Label1").backColor = form_.Label1.BackColor();
  for (auto [name, list] : {std::pair{"Combo1", &form_.Combo1}, std::pair{"Combo2", &form_.Combo2}}) {
    for (int i = 0; i < list->ListCount(); ++i) at(name).items.push_back(list->List(i));
    at(name).selected = list->ListIndex();
  }
  for (auto [name, check] : {std::pair{"Check4", &form_.Check4}, std::pair{"Check8", &form_.Check8}}) {
    at(name).checked = check->Value() == 1;
    at(name).visible = check->Visible();
    at(name).backColor = check->BackColor();
  }
  for (auto [name, label] : {std::pair{"Label2", &form_.Label2}, std::pair{"Label3", &form_.Label3}})
    at(name).backColor = label->BackColor();
  for (auto [name, frame] :
       {std::pair{"Frame1", &form_.Frame1}, std::pair{"Frame2", &form_.Frame2}, std::pair{"Frame3", &form_.Frame3}})
    at(name).backColor = frame->BackColor();
  window_.Build(layout, controls, this);

  form_.Label1.Changed = [this] { Push(Id("Label1")); };
  form_.Label2.Changed = [this] { Push(Id("Label2")); };
  form_.Label3.Changed = [this] { Push(Id("Label3")); };
  form_.Combo1.Changed = [this] { Push(Id("Combo1")); };
  form_.Combo2.Changed = [this] { Push(Id("Combo2")); };
  form_.Check4.Changed = [this] { Push(Id("Check4")); };
  form_.Check8.Changed = [this] { Push(Id("Check8")); };
  form_.Frame1.Changed = [this] { Push(Id("Frame1")); };
  form_.Frame2.Changed = [this] { Push(Id("Frame2")); };
  form_.Frame3.Changed = [this] { Push(Id("Frame3")); };
}

void WindowBinder::Push(int id) {
  const std::string name = Layout::Controls()[static_cast<std::size_t>(id)].name;
  if (name == "Label1" || name == "Label2" || name == "Label3") {
    const Label& label = name == "Label1" ? form_.Label1 : name == "Label2" ? form_.Label2 : form_.Label3;
    window_.SetControlText(id, label.Caption());
    window_.SetControlColors(id, label.BackColor(), label.ForeColor());
  } else if (name == "Combo1" || name == "Combo2") {
    const ComboBox& list = name == "Combo1" ? form_.Combo1 : form_.Combo2;
    std::vector<std::string> items;
    for (int i = 0; i < list.ListCount(); ++i) items.push_back(list.List(i));
    window_.SetControlItems(id, items);
    window_.SetControlSelection(id, list.ListIndex());
  } else if (name == "Check4" || name == "Check8") {
    const CheckBox& check = name == "Check4" ? form_.Check4 : form_.Check8;
    window_.SetControlChecked(id, check.Value() == 1);
    window_.SetControlVisible(id, check.Visible());
    window_.SetControlColors(id, check.BackColor(), platform::kColorWindowText);
  } else if (name == "Frame1" || name == "Frame2" || name == "Frame3") {
    const Frame& frame = name == "Frame1" ? form_.Frame1 : name == "Frame2" ? form_.Frame2 : form_.Frame3;
    window_.SetControlText(id, frame.Caption());
    window_.SetControlColors(id, frame.BackColor(), platform::kColorWindowText);
  }
}

void WindowBinder::ListPicked(int id, int index) {
  Guarded([&] {
    if (id == Id("Combo1")) form_.Combo1.SetListIndex(index);
    if (id == Id("Combo2")) form_.Combo2.SetListIndex(index);
  });
}

void WindowBinder::CheckClicked(int id, bool checked) {
  Guarded([&] {
    if (id == Id("Check4")) form_.Check4.SetValue(checked ? 1 : 0);
    if (id == Id("Check8")) form_.Check8.SetValue(checked ? 1 : 0);
  });
}

void WindowBinder::ButtonClicked(int id) {
  Guarded([&] {
    for (auto [name, button] : {std::pair{"PushButton1", &form_.PushButton1}, std::pair{"PushButton2", &form_.PushButton2},
                                std::pair{"PushButton3", &form_.PushButton3}, std::pair{"PushButton4", &form_.PushButton4}})
      if (id == Id(name) && button->Click) button->Click();
  });
}

void WindowBinder::MouseMoved(int id) {
  Guarded([&] {
    std::function<void()>* handler = nullptr;
    if (id < 0) handler = &form_.Me.MouseMove;
    if (id == Id("Frame1")) handler = &form_.Frame1.MouseMove;
    if (id == Id("Frame2")) handler = &form_.Frame2.MouseMove;
    if (id == Id("Frame3")) handler = &form_.Frame3.MouseMove;
    if (id == Id("Text2")) handler = &form_.Text2.MouseMove;
    if (id == Id("PushButton1")) handler = &form_.PushButton1.MouseMove;
    if (id == Id("PushButton2")) handler = &form_.PushButton2.MouseMove;
    if (id == Id("PushButton3")) handler = &form_.PushButton3.MouseMove;
    if (id == Id("PushButton4")) handler = &form_.PushButton4.MouseMove;
    if (handler && *handler) (*handler)();
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
