#include "platform/linux/desktop_notifications.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QStringList>
#include <QVariantMap>

namespace hush::platform::linux_backend {

namespace {
const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

QDBusConnection Bus() { return QDBusConnection::sessionBus(); }
}  // namespace

bool DesktopNotifications::InUse() {
  if (!Bus().isConnected()) return false;
  QDBusConnectionInterface* bus = Bus().interface();
  return bus && bus->isServiceRegistered(QStringLiteral("org.kde.StatusNotifierWatcher")).value() &&
         bus->isServiceRegistered(kService).value();
}

bool DesktopNotifications::Connect() {
  if (connected_) return true;
  connected_ = Bus().connect(kService, kPath, kInterface, QStringLiteral("NotificationClosed"), this,
                             SLOT(OnClosed(uint, uint))) &&
               Bus().connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                             SLOT(OnAction(uint, QString)));
  return connected_;
}

bool DesktopNotifications::Show(const QString& title, const QString& text, int ms, Ended ended) {
  if (!Connect()) return false;
  QDBusMessage notify = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Notify"));
  // The default action is what a click on the notification does: the balloon's click.
  notify << QStringLiteral("Hushdial") << id_ << QString() << title << text
         << QStringList{QStringLiteral("default"), QStringLiteral("Show")} << QVariantMap() << ms;
  const QDBusReply<uint> reply = Bus().call(notify, QDBus::Block, 2000);
  if (!reply.isValid()) return false;
  id_ = reply.value();
  ended_ = std::move(ended);
  return true;
}

void DesktopNotifications::Close() {
  if (!id_) return;
  QDBusMessage close = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("CloseNotification"));
  close << id_;
  ended_ = nullptr;  // taken down by the program: nothing more to report
  Bus().asyncCall(close);
  id_ = 0;
}

void DesktopNotifications::OnClosed(uint id, uint) {
  if (id == id_ && id_) End_(End::Closed);
}

void DesktopNotifications::OnAction(uint id, const QString& action) {
  if (id == id_ && id_ && action == QStringLiteral("default")) End_(End::Clicked);
}

void DesktopNotifications::End_(End how) {
  id_ = 0;
  Ended ended = std::move(ended_);
  ended_ = nullptr;
  if (ended) ended(how);
}

}  // namespace hush::platform::linux_backend
