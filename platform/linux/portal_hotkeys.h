#pragma once
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/linux/hotkey_queue.h"
#include "platform/linux/shortcut_naming.h"

class QDBusServiceWatcher;
class QTimer;

namespace hush::platform::linux_backend {

// Global shortcuts through the desktop portal (org.freedesktop.portal.GlobalShortcuts on the session
// bus), the way in for Wayland sessions. A registration is asked of the desktop in the background;
// the answer never reaches the caller, as a taken combination never does: a refused or cancelled
// request simply leaves the shortcut silent. An Activated of our own session becomes the hotkey
// message the pump takes. The shortcuts of one session are fixed when it is made (Plasma 5.27 takes
// them only there), so a change of letter closes the session and makes a new one.
class PortalHotkeys : public QObject, protected QDBusContext, public IHotkeys, public HotkeyMessageQueue {
  Q_OBJECT

 public:
  // What the desktop shows for a registration: a stable id (the letter is added) and a description.
  using Naming = ShortcutNaming;
  using Namer = ShortcutNamer;

  static constexpr const char* kPortal = "org.freedesktop.portal.Desktop";
  // The program's desktop file id, as the portal knows programs.
  static constexpr const char* kAppId = "com.brightfen.Hushdial";
  // service: the portal's bus name (tests use a mock's).
  explicit PortalHotkeys(Namer namer, QString service = kPortal);
  ~PortalHotkeys() override;

  // Whether the session bus has a portal that offers global shortcuts; asks for at most a second.
  static bool Offered(const QString& service = kPortal);

  bool RegisterHotKey(WindowHandle window, std::int32_t id, std::uint32_t modifiers, std::uint32_t vk) override;
  bool UnregisterHotKey(WindowHandle window, std::int32_t id) override;

  // The session in use ("" when none) and whether a request to the portal, or the closing of a
  // session, is under way.
  QString Session() const { return session_; }
  bool Busy() const { return pending_ != Pending::None || scheduled_ || closing_ != 0 || staleClosing_ != 0; }
  // How long a session's Close may take before the next session is asked for anyway.
  static constexpr int kCloseLimitMs = 2000;
  // The key the desktop reports for each of our shortcuts ("" when it named none), by shortcut id.
  const std::map<QString, QString>& Triggers() const { return triggers_; }

  // The shortcut id and the trigger asked for a registration: "raise-volume-q", "CTRL+SHIFT+Q".
  static QString ShortcutId(const std::string& base, std::uint32_t vk);
  static QString Trigger(std::uint32_t modifiers, std::uint32_t vk);

  // A held chord steps as a held key repeats. Desktops that report only the press and the release
  // (Plasma 6.7) are repeated here, at the usual keyboard delay and rate; those that repeat the press
  // themselves are left to do so. A desktop is repeated for only once it has reported a release, and
  // never longer than kRepeatLimitMs at a stretch, about a sweep of the whole scale: a press whose
  // release never comes (a shortcut run from the desktop's settings) goes no further.
  static constexpr int kRepeatDelayMs = 660;
  static constexpr int kRepeatIntervalMs = 40;
  static constexpr int kRepeatLimitMs = 5000;

 private slots:
  void OnResponse(uint response, const QVariantMap& results);
  void OnActivated(const QDBusObjectPath& session, const QString& shortcut, qulonglong timestamp,
                   const QVariantMap& options);
  void OnDeactivated(const QDBusObjectPath& session, const QString& shortcut, qulonglong timestamp,
                     const QVariantMap& options);
  void OnSessionClosed(const QVariantMap& details);

 private:
  enum class Pending { None, Creating, Listing, Binding };
  struct Wanted {
    WindowHandle window;
    std::int32_t id;
    std::uint32_t modifiers;
    std::uint32_t vk;
    QString shortcut;
    QString description;
    QString trigger;
  };
  using ShortcutList = QList<QPair<QString, QVariantMap>>;

  QDBusConnection Bus() const;
  bool Connect();
  void RegisterApp();
  void Schedule();
  void Reconcile();
  void CloseSession();
  void Listen();
  void StopListening();
  bool Request(const QString& method, const QList<QVariant>& leading, QVariantMap options, Pending kind);
  void Finish();
  void Forget();
  void CloseStale();
  QString SessionToken() const;
  bool ListedIsArmed();
  static ShortcutList Parsed(const QVariant& shortcuts);
  void Learn(const QVariant& shortcuts);
  ShortcutList Listed(const std::vector<QString>& only) const;
  std::vector<QString> WantedIds() const;
  bool PostPress(const QString& shortcut, std::uint32_t time);
  void Release();

  Namer namer_;
  QString service_;
  QString busName_;
  bool connected_ = false;
  QDBusServiceWatcher* watcher_ = nullptr;
  std::map<std::pair<WindowHandle, std::int32_t>, Wanted> wanted_;
  QString session_;
  std::vector<QString> sessionIds_;  // what the session was made for
  std::vector<QString> refused_;     // what the desktop refused last; not asked again until it changes
  std::map<QString, QString> triggers_;
  Pending pending_ = Pending::None;
  QString pendingPath_;
  unsigned pendingSerial_ = 0;  // the request under way, so that a late answer of another is not taken for it
  bool scheduled_ = false;
  bool dirty_ = false;
  unsigned token_ = 0;
  unsigned closing_ = 0;  // the Close under way, by serial; 0 when none
  unsigned closeSerial_ = 0;
  unsigned generation_ = 0;  // of the session token: raised where the old path may still be held
  static constexpr int kStaleRetries = 3;
  int staleRetries_ = 0;
  QString stale_;        // the session a portal that went left behind
  int staleClosing_ = 0;  // Closes of a session the portal left at its backends, under way
  bool bindAll_ = false;  // the next session binds even what it lists
  QTimer* repeat_ = nullptr;
  QString held_;                 // the shortcut pressed and not yet released ("" when none)
  QElapsedTimer pressedAt_;      // the desktop's last press
  bool releases_ = false;        // the desktop reports releases
  bool desktopRepeats_ = false;  // the desktop repeats a held press itself
};

}  // namespace hush::platform::linux_backend
