// Hushdial: two global shortcuts that raise and lower the master volume by one step.
#include <cstdio>
#include <cstdlib>

#include "app/Form1.h"
#include "platform/native.h"

#ifdef _WIN32
#include <windows.h>

int main() {
  hush::platform::NativePlatform native;
  hush::Form1 form(native.platform);
  form.Form_Load();
  form.Show();
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
#else
#include <QApplication>

int main(int argc, char** argv) {
  // Global shortcuts are X11 grabs; under Wayland they work through XWayland when it is there.
  if (!std::getenv("QT_QPA_PLATFORM") && std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "xcb", 0);
  QApplication app(argc, argv);
  hush::platform::NativePlatform native;
  hush::Form1 form(native.platform);
  // Closing the window ends the program at once, also while the hotkey pump runs.
  QObject::connect(&app, &QGuiApplication::lastWindowClosed, [] {
    std::fflush(nullptr);
    std::_Exit(0);
  });
  native.hotkeys.Available();  // says once on stderr when shortcuts can't work in this session
  form.Form_Load();
  form.Show();
  return app.exec();
}
#endif
