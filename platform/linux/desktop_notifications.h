#pragma once
#include <QObject>
#include <QString>

#include <functional>

namespace hush::platform::linux_backend {

// The tray's balloon where the icon is a StatusNotifierItem (Wayland desktops and their trays):
// such trays have no balloon of their own, so it goes to the desktop's notification service, one at
// a time. Its end is reported once: clicked (the default action) or closed (expired, dismissed, or
// taken down by the program).
class DesktopNotifications : public QObject {
  Q_OBJECT

 public:
  enum class End { Clicked, Closed };
  using Ended = std::function<void(End)>;

  // Whether the tray icon goes over D-Bus and a notification service is there to take balloons.
  static bool InUse();

  // Shows the balloon for `ms` milliseconds, replacing the one up; false when the service refused.
  bool Show(const QString& title, const QString& text, int ms, Ended ended);
  // Takes the balloon down without a report.
  void Close();

 private slots:
  void OnClosed(uint id, uint reason);
  void OnAction(uint id, const QString& action);

 private:
  bool Connect();
  void End_(End how);

  bool connected_ = false;
  uint id_ = 0;
  Ended ended_;
};

}  // namespace hush::platform::linux_backend
