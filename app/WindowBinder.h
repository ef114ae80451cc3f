#pragma once
#include <functional>
#include <map>

#include "app/Form1.h"
#include "platform/window_system.h"

namespace hush {

// Ties the main window's control models to the native window built from the layout: a model's change
// is passed to its widget, a user's action on a widget to its model and handler.
class WindowBinder : public platform::IWindowEvents {
 public:
  WindowBinder(Form1& form, platform::IMainWindow& window);
  WindowBinder(const WindowBinder&) = delete;
  WindowBinder& operator=(const WindowBinder&) = delete;
  ~WindowBinder() override;
  // Builds the window from the layout with the models' current values and starts listening.
  void Build();

  void ListPicked(int id, int index) override;
  void CheckClicked(int id, bool checked) override;
  void ButtonClicked(int id) override;
  void MouseMoved(int id) override;
  void StateChanged() override;
  void CloseRequested() override;

 private:
  Form1& form_;
  platform::IMainWindow& window_;
  // The models by their id in the layout (-1: the window itself, for mouse moves).
  std::map<int, Label*> labels_;
  std::map<int, ComboBox*> lists_;
  std::map<int, CheckBox*> checks_;
  std::map<int, Frame*> frames_;
  std::map<int, PushButton*> buttons_;
  std::map<int, std::function<void()>*> moves_;
};

}  // namespace hush
