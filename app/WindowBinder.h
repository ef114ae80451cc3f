#pragma once
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
  int Id(const char* name) const;
  void Push(int id);

  Form1& form_;
  platform::IMainWindow& window_;
};

}  // namespace hush
