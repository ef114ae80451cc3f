#pragma once
#include <QIcon>
#include <QSystemTrayIcon>
#include <QTimer>

#include <QByteArray>
#include <QCursor>
#include <QPoint>

#include <map>
#include <memory>
#include <optional>

#include "platform/codepage.h"
#include "platform/picture.h"
#include "platform/linux/desktop_notifications.h"
#include "platform/tray.h"

namespace hush::platform::linux_backend {

// The notification area through QSystemTrayIcon, driven by the shell's own record. Qt reports one
// activation per click, at the press, and nothing on release, hover or a balloon's time-out, so each
// activation is turned into the notifications the Windows shell sends for that click, at once and in
// order, and balloon time-outs come from a timer of our own. Mouse moves (512) and "balloon hidden"
// (1027) therefore never occur here.
class QtTray : public ITray {
 public:
  QtTray();
  ~QtTray() override;
  WindowHandle CreateTrayWindow() override;
  void DestroyTrayWindow(WindowHandle window) override;
  bool Shell_NotifyIconA(std::uint32_t message, const NotifyIconDataA* data) override;
  std::intptr_t SetWindowLongA(WindowHandle window, int index, std::intptr_t value) override;
  std::intptr_t GetWindowLongA(WindowHandle window, int index) override;
  std::intptr_t CallWindowProcA(std::intptr_t proc, WindowHandle window, std::uint32_t message,
                                std::uintptr_t wParam, std::intptr_t lParam) override;
  bool TrayAvailable() override;
  void SetTrayHostHandler(WindowHandle window, std::function<void(bool)> handler) override;

  // The Qt icon behind a window's tray icon, for tests; null before the first add.
  QSystemTrayIcon* IconOf(WindowHandle window);

 private:
  struct Window;
  void Activated(WindowHandle window, QSystemTrayIcon::ActivationReason reason);
  void BalloonClosed(WindowHandle window, std::uint32_t notification);
  void TakeBalloonDown(Window& w);  // Qt's balloon or the notification, whichever is up
  void Deliver(WindowHandle window, std::uint32_t notification);
  void Poll();
  void UpdatePolling();
  // Shows or hides the Qt icon as the last add or delete asked; again: dock a shown icon anew.
  void SyncVisibility(WindowHandle window, bool again);

  std::map<WindowHandle, std::unique_ptr<Window>> windows_;
  WindowHandle next_ = 0x7100;
  std::unique_ptr<QTimer> poll_;
  DesktopNotifications notifications_;  // balloons where the icon is a StatusNotifierItem
  bool lastAvailable_ = false;
  int activations_ = 0;  // > 0 while an activation is being delivered
  QObject anchor_;       // owns the deferred work, so it ends with this service
};

// Pictures are QIcons in a process-wide table; a handle names one. A picture loaded from a Windows
// cursor file keeps the file's click point (hot spot) beside it.
class QtPictures : public IPictures {
 public:
  PicturePtr ProgramIcon() override;
  PicturePtr LoadPicture(const std::string& path) override;
  static IconHandle Register(const QIcon& icon, std::optional<QPoint> hotSpot = std::nullopt);
  static QIcon Lookup(IconHandle handle);
  // The click point within the picture's first image, for pictures from cursor files.
  static std::optional<QPoint> HotSpot(IconHandle handle);
  // The picture as a 32-pixel mouse pointer that clicks at its hot spot (the top-left corner for a
  // picture without one).
  static QCursor Cursor(IconHandle handle);
  // The hot spot of a .cur file's first image as the file states it; none for other files.
  static std::optional<QPoint> CursorFileHotSpot(const QByteArray& file);
};

// The narrow code page of a Linux desktop is UTF-8.
class Utf8CodePage : public ICodePage {
 public:
  std::vector<std::string> ToSystemCodePage(const std::string& utf8) override;
};

}  // namespace hush::platform::linux_backend
