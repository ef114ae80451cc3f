#include "platform/linux/portal_hotkeys.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace hush::platform::linux_backend {

namespace {

const QString kDesktopPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kShortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");
const QString kSessionInterface = QStringLiteral("org.freedesktop.portal.Session");
// One fixed session token, so that the desktop keeps one entry for the program across its runs (KDE's
// backend names the keys' owner by it where the portal names no program); another only where the
// path stays held whatever the program does (SessionToken).
const QString kSessionToken = QStringLiteral("hushdial");

// The path the portal gives the request of a token: the sender's unique name without ":" and with
// "." as "_". Listening there before the call catches a Response that comes before the reply.
QString RequestPath(QString sender, const QString& token) {
  sender.remove(0, 1).replace(QLatin1Char('.'), QLatin1Char('_'));
  return QStringLiteral("/org/freedesktop/portal/desktop/request/") + sender + QLatin1Char('/') + token;
}
// And the path of the session a token names.
QString SessionPath(QString sender, const QString& token) {
  sender.remove(0, 1).replace(QLatin1Char('.'), QLatin1Char('_'));
  return QStringLiteral("/org/freedesktop/portal/desktop/session/") + sender + QLatin1Char('/') + token;
}

QString PathText(const QVariant& value) {
  if (value.canConvert<QDBusObjectPath>() && value.metaType() == QMetaType::fromType<QDBusObjectPath>())
    return value.value<QDBusObjectPath>().path();
  return value.toString();
}

}  // namespace

PortalHotkeys::PortalHotkeys(Namer namer, QString service) : namer_(std::move(namer)), service_(std::move(service)) {}

PortalHotkeys::~PortalHotkeys() {
  if (connected_) CloseSession();
}

bool PortalHotkeys::Offered(const QString& service) {
  QDBusMessage get = QDBusMessage::createMethodCall(service, kDesktopPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                                    QStringLiteral("Get"));
  get << kShortcutsInterface << QStringLiteral("version");
  // A connection of its own, closed again: the question may come before the application object
  // that the shared connection belongs to.
  const QString name = QStringLiteral("hushdial-portal-question");
  bool offered = false;
  {
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
    // At logon the question may be what starts the portal: it is given a few seconds.
    offered = bus.isConnected() && bus.call(get, QDBus::Block, 5000).type() == QDBusMessage::ReplyMessage;
  }
  QDBusConnection::disconnectFromBus(name);
  return offered;
}

QString PortalHotkeys::ShortcutId(const std::string& base, std::uint32_t vk) {
  return QString::fromStdString(base) + QLatin1Char('-') + QChar(static_cast<char16_t>(vk)).toLower();
}

QString PortalHotkeys::Trigger(std::uint32_t modifiers, std::uint32_t vk) {
  QString trigger;
  if (modifiers & kModControl) trigger += QStringLiteral("CTRL+");
  if (modifiers & kModShift) trigger += QStringLiteral("SHIFT+");
  if (modifiers & kModAlt) trigger += QStringLiteral("ALT+");
  if (modifiers & kModWin) trigger += QStringLiteral("LOGO+");
  return trigger + QChar(static_cast<char16_t>(vk));
}

// The program's own connection to the session bus: a portal takes the first call a connection makes
// as naming its program, and the shared connection has asked the portal for the desktop's settings
// long before (GNOME 48 then refuses Register and discards every shortcut of an unnamed program).
QDBusConnection PortalHotkeys::Bus() const { return QDBusConnection(busName_); }

bool PortalHotkeys::Connect() {
  if (connected_) return true;
  static int made = 0;
  if (busName_.isEmpty()) busName_ = QStringLiteral("hushdial-portal-%1").arg(++made);
  if (!QDBusConnection::connectToBus(QDBusConnection::SessionBus, busName_).isConnected()) return false;
  qDBusRegisterMetaType<QPair<QString, QVariantMap>>();
  qDBusRegisterMetaType<ShortcutList>();
  qRegisterMetaType<QDBusObjectPath>();  // or Qt 6.4 refuses the connection below without a word
  // The portal broadcasts Activated to every client (1.16) or sends it to us alone; the session
  // handle tells ours from another client's.
  Bus().connect(service_, kDesktopPath, kShortcutsInterface, QStringLiteral("Activated"), this,
                SLOT(OnActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
  Bus().connect(service_, kDesktopPath, kShortcutsInterface, QStringLiteral("Deactivated"), this,
                SLOT(OnDeactivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
  RegisterApp();
  watcher_ = new QDBusServiceWatcher(service_, Bus(), QDBusServiceWatcher::WatchForOwnerChange, this);
  // Stopped and started (an update, a restart of the user's services), or replaced in place, where
  // the name passes to a new owner with no gap: either way the old one's sessions are gone.
  connect(watcher_, &QDBusServiceWatcher::serviceOwnerChanged, this,
          [this](const QString&, const QString& oldOwner, const QString& newOwner) {
            if (!oldOwner.isEmpty()) Forget();
            if (!newOwner.isEmpty()) {
              RegisterApp();
              CloseStale();
              Schedule();
            }
          });
  connected_ = true;
  return true;
}

// The portal went away: its sessions and requests with it. Back to silence until it returns.
void PortalHotkeys::Forget() {
  if (!session_.isEmpty()) stale_ = session_;
  if (!pendingPath_.isEmpty()) StopListening();
  if (!session_.isEmpty())
    Bus().disconnect(service_, session_, kSessionInterface, QStringLiteral("Closed"), this,
                     SLOT(OnSessionClosed(QVariantMap)));
  pending_ = Pending::None;
  closing_ = 0;
  pendingPath_.clear();
  session_.clear();
  sessionIds_.clear();
  refused_.clear();
  triggers_.clear();
  generation_ = 0;  // the program's own path first again, once the left session is closed
  Release();
  releases_ = desktopRepeats_ = false;  // the new portal's desktop may be another
  staleRetries_ = 0;
}

// The portal went without closing our session at its backend, which keeps it, and with it the
// desktop's keys: its presses then go to a session the new portal does not know (KDE's backend
// does so). Closed there, as the portal would have closed it; the next session is asked for once
// the backends have answered.
void PortalHotkeys::CloseStale() {
  const QString session = std::exchange(stale_, QString());
  if (session.isEmpty()) return;
  // KDE 6's backend lists what the closed session had, but delivers presses only to shortcuts bound
  // in the session asking: the next session binds them all again.
  bindAll_ = true;
  const QDBusReply<QStringList> names = Bus().interface()->registeredServiceNames();
  for (const QString& name : names.value()) {
    if (!name.startsWith(QStringLiteral("org.freedesktop.impl.portal.desktop."))) continue;
    ++staleClosing_;
    auto* reply = new QDBusPendingCallWatcher(
        Bus().asyncCall(QDBusMessage::createMethodCall(name, session, QStringLiteral("org.freedesktop.impl.portal.Session"),
                                                       QStringLiteral("Close")),
                        kCloseLimitMs),
        this);
    connect(reply, &QDBusPendingCallWatcher::finished, this, [this, reply](QDBusPendingCallWatcher*) {
      reply->deleteLater();
      if (--staleClosing_ == 0) Finish();
    });
  }
  if (staleClosing_ > 0) dirty_ = true;
}

// KDE's backend before 6.5 (its GlobalShortcuts version 1) arms what a session lists. Asked of the
// backend itself for each new session, since the portal's own version says nothing of it and the
// backend may have been restarted, or updated, on its own.
bool PortalHotkeys::ListedIsArmed() {
  QDBusMessage get = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.impl.portal.desktop.kde"), kDesktopPath,
                                                    QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
  get << QStringLiteral("org.freedesktop.impl.portal.GlobalShortcuts") << QStringLiteral("version");
  get.setAutoStartService(false);  // asking must not start KDE's backend on another desktop
  const QDBusMessage answer = Bus().call(get, QDBus::Block, 1000);
  if (answer.type() == QDBusMessage::ReplyMessage)
    return !answer.arguments().isEmpty() && answer.arguments().value(0).value<QDBusVariant>().variant().toUInt() < 2;
  // Not there, or there without global shortcuts (KDE's backend serving another desktop): bound.
  // No answer in time from a backend that is there: taken for an old one, since a settings window
  // at each start is worse than a bind left out until the next session.
  const QString error = answer.errorName();
  return error == QStringLiteral("org.freedesktop.DBus.Error.NoReply") ||
         error == QStringLiteral("org.freedesktop.DBus.Error.Timeout") ||
         error == QStringLiteral("org.freedesktop.DBus.Error.TimedOut");
}

QString PortalHotkeys::SessionToken() const {
  return generation_ == 0 ? kSessionToken : kSessionToken + QLatin1Char('_') + QString::number(generation_);
}

// Newer portals ask a program that is not sandboxed to name itself before its first request, by
// its desktop file id, as the connection's very first call to them; older ones (1.16) take it from
// the systemd scope and don't know the call. Calls on one connection are taken in order, so it needs
// no waiting for.
void PortalHotkeys::RegisterApp() {
  QDBusMessage registration = QDBusMessage::createMethodCall(
      service_, kDesktopPath, QStringLiteral("org.freedesktop.host.portal.Registry"), QStringLiteral("Register"));
  registration << QString::fromLatin1(kAppId) << QVariantMap();
  Bus().asyncCall(registration);
}

bool PortalHotkeys::RegisterHotKey(WindowHandle window, std::int32_t id, std::uint32_t modifiers, std::uint32_t vk) {
  if (!(vk >= 'A' && vk <= 'Z') && !(vk >= '0' && vk <= '9')) return false;
  if (!Connect()) return false;
  if (wanted_.count({window, id})) return false;  // as Windows: the identifier is taken
  for (const auto& [key, w] : wanted_)
    if (w.vk == vk && w.modifiers == modifiers) return false;  // already held by this program
  const Naming naming = namer_ ? namer_(id) : Naming{"shortcut-" + std::to_string(id), "Hushdial shortcut", ""};
  wanted_[{window, id}] = Wanted{window,
                                 id,
                                 modifiers,
                                 vk,
                                 ShortcutId(naming.id, vk),
                                 QString::fromStdString(naming.description),
                                 Trigger(modifiers, vk)};
  Schedule();
  return true;
}

bool PortalHotkeys::UnregisterHotKey(WindowHandle window, std::int32_t id) {
  if (!wanted_.erase({window, id})) return false;
  Schedule();
  return true;
}

// The arming unregisters and registers both shortcuts in one go: the portal is asked once after.
void PortalHotkeys::Schedule() {
  if (scheduled_) return;
  scheduled_ = true;
  QTimer::singleShot(0, this, [this] {
    scheduled_ = false;
    Reconcile();
  });
}

std::vector<QString> PortalHotkeys::WantedIds() const {
  std::vector<QString> ids;
  for (const auto& [key, w] : wanted_) ids.push_back(w.shortcut);
  std::sort(ids.begin(), ids.end());
  return ids;
}

PortalHotkeys::ShortcutList PortalHotkeys::Listed(const std::vector<QString>& only) const {
  ShortcutList list;
  for (const auto& [key, w] : wanted_) {
    if (std::find(only.begin(), only.end(), w.shortcut) == only.end()) continue;
    QVariantMap details;
    details.insert(QStringLiteral("description"), w.description);
    details.insert(QStringLiteral("preferred_trigger"), w.trigger);
    list.append({w.shortcut, details});
  }
  return list;
}

void PortalHotkeys::Reconcile() {
  if (pending_ != Pending::None || closing_ != 0 || staleClosing_ != 0) {
    dirty_ = true;  // asked again once the request or the Close under way is answered
    return;
  }
  const std::vector<QString> ids = WantedIds();
  if (!session_.isEmpty() && ids == sessionIds_) return;
  if (session_.isEmpty() && !refused_.empty() && ids == refused_) return;
  refused_.clear();
  if (!session_.isEmpty()) {
    // The new session takes the old one's path (one fixed token). Asked for before the portal has
    // let go of that path, it is made and then forgotten with the old one: the desktop's presses
    // never reach us. So the new session is asked for once the Close is answered.
    CloseSession();
    if (!ids.empty()) dirty_ = true;
    return;
  }
  if (ids.empty()) return;
  sessionIds_ = ids;
  QVariantMap options;
  options.insert(QStringLiteral("session_handle_token"), SessionToken());
  // Plasma 5.27 registers shortcuts only from this option; later portals drop it unread.
  options.insert(QStringLiteral("shortcuts"), QVariant::fromValue(Listed(ids)));
  if (!Request(QStringLiteral("CreateSession"), {}, options, Pending::Creating)) refused_ = ids;
}

void PortalHotkeys::CloseSession() {
  if (session_.isEmpty()) return;
  Bus().disconnect(service_, session_, kSessionInterface, QStringLiteral("Closed"), this,
                   SLOT(OnSessionClosed(QVariantMap)));
  const unsigned serial = ++closeSerial_;
  closing_ = serial;
  // A portal that does not answer Close would hold the new letters back as long as D-Bus's own limit
  // (about 25 s) with both shortcuts dead: it gets a short one of the program's.
  auto* reply = new QDBusPendingCallWatcher(
      Bus().asyncCall(QDBusMessage::createMethodCall(service_, session_, kSessionInterface, QStringLiteral("Close")),
                      kCloseLimitMs),
      this);
  // Answered or failed (the portal gone, or no answer within that limit): either way the path is
  // free now, as far as the program can know.
  connect(reply, &QDBusPendingCallWatcher::finished, this, [this, reply, serial](QDBusPendingCallWatcher*) {
    reply->deleteLater();
    if (closing_ != serial) return;
    closing_ = 0;
    Finish();
  });
  Release();
  session_.clear();
  sessionIds_.clear();
  triggers_.clear();
}

// The Response of the request under way, heard at its path.
void PortalHotkeys::Listen() {
  Bus().connect(service_, pendingPath_, kRequestInterface, QStringLiteral("Response"), this,
                SLOT(OnResponse(uint, QVariantMap)));
}

void PortalHotkeys::StopListening() {
  Bus().disconnect(service_, pendingPath_, kRequestInterface, QStringLiteral("Response"), this,
                   SLOT(OnResponse(uint, QVariantMap)));
}

bool PortalHotkeys::Request(const QString& method, const QList<QVariant>& leading, QVariantMap options, Pending kind) {
  const QString token = QStringLiteral("hushdial_") + QString::number(++token_);
  options.insert(QStringLiteral("handle_token"), token);
  pendingPath_ = RequestPath(Bus().baseService(), token);
  Listen();
  QDBusMessage call = QDBusMessage::createMethodCall(service_, kDesktopPath, kShortcutsInterface, method);
  QList<QVariant> arguments = leading;
  arguments.append(options);
  call.setArguments(arguments);
  pending_ = kind;
  const unsigned serial = token_;
  pendingSerial_ = serial;
  auto* reply = new QDBusPendingCallWatcher(Bus().asyncCall(call), this);
  connect(reply, &QDBusPendingCallWatcher::finished, this, [this, reply, serial](QDBusPendingCallWatcher*) {
    reply->deleteLater();
    const QDBusPendingReply<QDBusObjectPath> answer = *reply;
    // Answered already, the portal went away, or a later request is the one under way.
    if (pending_ == Pending::None || pendingSerial_ != serial) return;
    if (answer.isError()) {  // the call itself was refused: as a refused shortcut, silent
      StopListening();
      pendingPath_.clear();
      const Pending was = pending_;
      pending_ = Pending::None;
      if (!sessionIds_.empty()) refused_ = sessionIds_;
      if (was == Pending::Creating) sessionIds_.clear();
      else CloseSession();  // a session that can't list or bind would stay silent for good
      Finish();
      return;
    }
    // An older portal may choose its own path: listen there as well.
    const QString path = answer.value().path();
    if (path != pendingPath_) {
      StopListening();
      pendingPath_ = path;
      Listen();
    }
  });
  return true;
}

void PortalHotkeys::OnResponse(uint response, const QVariantMap& results) {
  if (calledFromDBus() && message().path() != pendingPath_) return;
  StopListening();
  pendingPath_.clear();
  const Pending kind = pending_;
  pending_ = Pending::None;
  // GNOME 48.0 answers a bind the user granted with 2 ("ended otherwise") and the shortcuts it bound;
  // those are the program's all the same. A 2 that names none stays a refusal.
  const bool grantedAnyway = kind == Pending::Binding && response == 2 &&
                             !Parsed(results.value(QStringLiteral("shortcuts"))).isEmpty();
  // A session not made with 2: its path is still held by a session the portal's backend kept from
  // before (it outlived a portal restart). Nobody was asked, so it is no refusal: that session is
  // closed at the backend and the same path asked for again; then, should it still be held, others.
  if (kind == Pending::Creating && response == 2 && staleRetries_ < kStaleRetries) {
    if (staleRetries_++ == 0) stale_ = SessionPath(Bus().baseService(), SessionToken());
    else ++generation_;
    sessionIds_.clear();
    dirty_ = true;
    CloseStale();
    return Finish();
  }
  if (response != 0 && !grantedAnyway) {  // cancelled (1) or ended otherwise (2): refused, silent
    if (!sessionIds_.empty()) refused_ = sessionIds_;  // kept when the desktop closed the session first
    if (kind == Pending::Creating) sessionIds_.clear();
    else CloseSession();
    return Finish();
  }
  if (kind == Pending::Creating) {
    staleRetries_ = 0;
    session_ = PathText(results.value(QStringLiteral("session_handle")));
    if (session_.isEmpty()) {
      refused_ = sessionIds_;
      sessionIds_.clear();
      return Finish();
    }
    Bus().connect(service_, session_, kSessionInterface, QStringLiteral("Closed"), this,
                  SLOT(OnSessionClosed(QVariantMap)));
    // What the desktop already has for the program is asked first: binding what it has is no use.
    Request(QStringLiteral("ListShortcuts"), {QVariant::fromValue(QDBusObjectPath(session_))}, {}, Pending::Listing);
    return;
  }
  if (session_.isEmpty()) return Finish();  // the desktop closed the session meanwhile
  if (kind == Pending::Listing) {
    Learn(results.value(QStringLiteral("shortcuts")));
    // A session's shortcuts work once bound in it, as the portal has it (Plasma from 6.7.4 arms no
    // other). Plasma 6's backend makes a bind the session's whole list: whatever it leaves out is
    // taken off the keys, so a bind always names every shortcut. Only KDE's backends before 6.5 arm
    // what a session lists without a bind, and open the desktop's shortcut settings at each bind:
    // there a session that lists just what is wanted binds nothing.
    const bool listedAsWanted =
        triggers_.size() == sessionIds_.size() &&
        std::all_of(sessionIds_.begin(), sessionIds_.end(), [this](const QString& id) { return triggers_.count(id) > 0; });
    if (bindAll_ || !listedAsWanted || !ListedIsArmed()) {
      bindAll_ = false;
      triggers_.clear();  // what the bind answers is what the session has
      Request(QStringLiteral("BindShortcuts"),
              {QVariant::fromValue(QDBusObjectPath(session_)), QVariant::fromValue(Listed(sessionIds_)), QString()},
              {}, Pending::Binding);
      return;
    }
    return Finish();
  }
  if (kind == Pending::Binding) Learn(results.value(QStringLiteral("shortcuts")));
  Finish();
}

PortalHotkeys::ShortcutList PortalHotkeys::Parsed(const QVariant& shortcuts) {
  if (shortcuts.canConvert<QDBusArgument>()) return qdbus_cast<ShortcutList>(shortcuts.value<QDBusArgument>());
  return shortcuts.value<ShortcutList>();
}

void PortalHotkeys::Learn(const QVariant& shortcuts) {
  for (const auto& [id, details] : Parsed(shortcuts))
    triggers_[id] = details.value(QStringLiteral("trigger_description")).toString();
}

void PortalHotkeys::Finish() {
  if (!dirty_) return;
  dirty_ = false;
  Reconcile();
}

// The hotkey message of one of the session's shortcuts; false for one it does not have.
bool PortalHotkeys::PostPress(const QString& shortcut, std::uint32_t time) {
  if (std::find(sessionIds_.begin(), sessionIds_.end(), shortcut) == sessionIds_.end()) return false;
  for (const auto& [key, w] : wanted_) {
    if (w.shortcut != shortcut) continue;
    Post(Msg{w.window, kWmHotkey, static_cast<std::uintptr_t>(w.id),
             static_cast<std::intptr_t>(w.modifiers | (w.vk << 16)), time, 0, 0});
    return true;
  }
  return false;
}

void PortalHotkeys::OnActivated(const QDBusObjectPath& session, const QString& shortcut, qulonglong timestamp,
                                const QVariantMap&) {
  if (session_.isEmpty() || session.path() != session_) return;  // another client's session
  if (!PostPress(shortcut, static_cast<std::uint32_t>(timestamp))) return;
  const bool again = held_ == shortcut && pressedAt_.isValid() && pressedAt_.elapsed() < kRepeatDelayMs;
  pressedAt_.start();
  if (again) {
    // Pressed again, no release between, sooner than a repeat of ours was due: the desktop repeats
    // a held chord itself.
    desktopRepeats_ = true;
    Release();
    return;
  }
  Release();
  held_ = shortcut;
  if (!releases_ || desktopRepeats_) return;
  if (!repeat_) {
    repeat_ = new QTimer(this);
    connect(repeat_, &QTimer::timeout, this, [this] {
      if (repeat_->interval() != kRepeatIntervalMs) repeat_->setInterval(kRepeatIntervalMs);
      if (pressedAt_.elapsed() > kRepeatLimitMs || !PostPress(held_, 0)) Release();
    });
  }
  repeat_->start(kRepeatDelayMs);
}

void PortalHotkeys::OnDeactivated(const QDBusObjectPath& session, const QString& shortcut, qulonglong,
                                  const QVariantMap&) {
  if (session_.isEmpty() || session.path() != session_) return;
  releases_ = true;
  if (shortcut == held_) Release();
}

// No hold under way any more: no more repeats of it.
void PortalHotkeys::Release() {
  held_.clear();
  if (repeat_) repeat_->stop();
}

void PortalHotkeys::OnSessionClosed(const QVariantMap&) {
  // The desktop ended the session (its user took the permission back): silent until the letters
  // change and the program asks again.
  refused_ = sessionIds_;
  Release();
  session_.clear();
  sessionIds_.clear();
  triggers_.clear();
}

}  // namespace hush::platform::linux_backend
