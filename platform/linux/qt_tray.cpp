#include "platform/linux/qt_tray.h"

#include <QApplication>
#include <QFile>
#include <QPixmap>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/failure.h"
#include "platform/utf8.h"

namespace hush::platform::linux_backend {

namespace {

// What the window answers when nothing is put in front of it: it has nothing to do with the tray.
std::intptr_t OwnProc(WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) { return 0; }

// Windows' shell shows a balloon given no time-out for its shortest time; Qt would keep it forever.
constexpr int kDefaultBalloonMs = 10000;

QString FieldText(const char* field, std::size_t size) {
  const void* end = std::memchr(field, '\0', size);
  const std::size_t length = end ? static_cast<std::size_t>(static_cast<const char*>(end) - field) : size;
  return QString::fromUtf8(field, static_cast<qsizetype>(length));
}

bool HaveApplication() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

struct IconTable {
  std::mutex lock;
  std::map<IconHandle, QIcon> icons;
  std::map<IconHandle, QPoint> hotSpots;
  IconHandle next = 0x1C0;
};
IconTable& Icons() {
  static IconTable table;
  return table;
}

}  // namespace

struct QtTray::Window {
  std::intptr_t proc = reinterpret_cast<std::intptr_t>(&OwnProc);
  std::intptr_t userData = 0;
  std::function<void(bool)> host;
  std::unique_ptr<QSystemTrayIcon> icon;
  std::uint32_t callback = 0;
  std::uint32_t id = 0;
  bool meantShown = false;
  bool balloonUp = false;
  bool notified = false;  // the balloon up went to the desktop's notification service
  std::unique_ptr<QTimer> balloonTimer;
};

QtTray::QtTray() = default;
QtTray::~QtTray() = default;

WindowHandle QtTray::CreateTrayWindow() {
  const WindowHandle handle = next_++;
  windows_[handle] = std::make_unique<Window>();
  return handle;
}

void QtTray::DestroyTrayWindow(WindowHandle window) {
  const auto it = windows_.find(window);
  if (it == windows_.end()) return;
  if (activations_ > 0) {
    // A notification is being delivered from inside the icon's (or its timer's) own signal: freeing
    // them now would pull the ground from under Qt.
    QSystemTrayIcon* icon = it->second->icon.release();
    QTimer* timer = it->second->balloonTimer.release();
    QTimer::singleShot(0, &anchor_, [icon, timer] {
      delete icon;
      delete timer;
    });
  }
  windows_.erase(it);
  UpdatePolling();
}

void QtTray::SyncVisibility(WindowHandle window, bool again) {
  if (activations_ > 0) {  // see DestroyTrayWindow
    QTimer::singleShot(0, &anchor_, [this, window, again] { SyncVisibility(window, again); });
    return;
  }
  const auto it = windows_.find(window);
  if (it == windows_.end() || !it->second->icon) return;
  QSystemTrayIcon& icon = *it->second->icon;
  if (!it->second->meantShown) {
    icon.hide();
  } else if (!icon.isVisible()) {
    icon.show();
  } else if (again) {
    icon.hide();  // an add of an icon already shown docks it anew, as with a new notification area
    icon.show();
  }
}

QSystemTrayIcon* QtTray::IconOf(WindowHandle window) {
  const auto it = windows_.find(window);
  return it == windows_.end() ? nullptr : it->second->icon.get();
}

bool QtTray::Shell_NotifyIconA(std::uint32_t message, const NotifyIconDataA* data) {
  if (!data || !HaveApplication()) return false;
  const auto it = windows_.find(data->hWnd);
  if (it == windows_.end()) return false;
  Window& w = *it->second;
  const WindowHandle handle = data->hWnd;

  if (message == kNimAdd) {
    if (!w.icon) {
      w.icon = std::make_unique<QSystemTrayIcon>();
      QObject::connect(w.icon.get(), &QSystemTrayIcon::activated,
                       [this, handle](QSystemTrayIcon::ActivationReason reason) { Activated(handle, reason); });
      QObject::connect(w.icon.get(), &QSystemTrayIcon::messageClicked,
                       [this, handle] { BalloonClosed(handle, 1029); });
      w.balloonTimer = std::make_unique<QTimer>();
      w.balloonTimer->setSingleShot(true);
      w.balloonTimer->setTimerType(Qt::PreciseTimer);
      QObject::connect(w.balloonTimer.get(), &QTimer::timeout, [this, handle] { BalloonClosed(handle, 1028); });
    }
    w.id = data->uID;
    w.callback = (data->uFlags & kNifMessage) ? data->uCallbackMessage : 0;
    // An add makes a new icon: what the record leaves out is not there.
    w.icon->setIcon((data->uFlags & kNifIcon) ? QtPictures::Lookup(data->hIcon) : QIcon());
    w.icon->setToolTip((data->uFlags & kNifTip) ? FieldText(data->szTip, sizeof data->szTip) : QString());
    const bool again = w.meantShown;
    w.meantShown = true;
    SyncVisibility(handle, again);
    UpdatePolling();
    return QSystemTrayIcon::isSystemTrayAvailable();
  }
  if (message == kNimModify) {
    if (!w.icon || !w.meantShown) return false;  // as the shell: no such icon
    if (data->uFlags & kNifIcon) w.icon->setIcon(QtPictures::Lookup(data->hIcon));
    if (data->uFlags & kNifTip) w.icon->setToolTip(FieldText(data->szTip, sizeof data->szTip));
    if (data->uFlags & kNifInfo) {
      const QString title = FieldText(data->szInfoTitle, sizeof data->szInfoTitle);
      const QString text = FieldText(data->szInfo, sizeof data->szInfo);
      w.balloonTimer->stop();
      if (text.isEmpty()) {
        // An empty text takes the balloon down, as it does in the Windows shell.
        TakeBalloonDown(w);
        w.balloonUp = false;
      } else {
        const int ms = data->uTimeout > 0 && data->uTimeout < 0x7FFFFFFFu ? static_cast<int>(data->uTimeout)
                                                                         : kDefaultBalloonMs;
        w.notified = DesktopNotifications::InUse() &&
                     notifications_.Show(title, text, ms, [this, handle](DesktopNotifications::End end) {
                       BalloonClosed(handle, end == DesktopNotifications::End::Clicked ? 1029 : 1028);
                     });
        if (w.notified) {
          // A notification service that keeps its notifications up is held to the balloon's time.
        } else if (w.icon->geometry().isEmpty()) {
          // Not docked yet (just added at start-up): Qt would point the balloon at the screen's corner.
          QTimer::singleShot(500, &anchor_, [this, handle, title, text, ms] {
            const auto again = windows_.find(handle);
            if (again != windows_.end() && again->second->balloonUp && again->second->icon)
              again->second->icon->showMessage(title, text, QSystemTrayIcon::NoIcon, ms);
          });
        } else {
          w.icon->showMessage(title, text, QSystemTrayIcon::NoIcon, ms);
        }
        w.balloonUp = true;
        w.balloonTimer->start(ms);
      }
    }
    return true;
  }
  if (message == kNimDelete) {
    if (!w.icon || !w.meantShown) return false;
    w.balloonTimer->stop();
    if (w.balloonUp && w.notified) notifications_.Close();
    w.notified = false;
    w.balloonUp = false;
    w.meantShown = false;
    SyncVisibility(handle, false);
    UpdatePolling();
    return true;
  }
  return false;
}

void QtTray::Activated(WindowHandle window, QSystemTrayIcon::ActivationReason reason) {
  const auto it = windows_.find(window);
  if (it == windows_.end()) return;
  Window& w = *it->second;
  if (w.balloonUp) {
    // A click on the icon dismisses its balloon (where Qt has not reported a click on the balloon
    // already); the Windows shell reports that as a time-out.
    TakeBalloonDown(w);
    BalloonClosed(window, 1028);
  }
  switch (reason) {
    case QSystemTrayIcon::Trigger:
      Deliver(window, 513);
      Deliver(window, 514);
      break;
    case QSystemTrayIcon::Context:
      Deliver(window, 516);
      Deliver(window, 517);
      break;
    case QSystemTrayIcon::DoubleClick:
      Deliver(window, 515);
      Deliver(window, 514);
      break;
    case QSystemTrayIcon::MiddleClick:
      Deliver(window, 519);
      Deliver(window, 520);
      break;
    default:
      break;
  }
}

void QtTray::TakeBalloonDown(Window& w) {
  if (w.notified) notifications_.Close();
  else w.icon->showMessage(QString(), QString(), QSystemTrayIcon::NoIcon, 0);  // Qt's own balloon
  w.notified = false;
}

void QtTray::BalloonClosed(WindowHandle window, std::uint32_t notification) {
  const auto it = windows_.find(window);
  if (it == windows_.end() || !it->second->balloonUp) return;
  it->second->balloonUp = false;
  it->second->balloonTimer->stop();
  if (it->second->notified) notifications_.Close();
  it->second->notified = false;
  Deliver(window, notification);
}

void QtTray::Deliver(WindowHandle window, std::uint32_t notification) {
  // Looked up afresh each time: a handler may run nested events that change the windows.
  const auto it = windows_.find(window);
  if (it == windows_.end() || !it->second->callback) return;
  ++activations_;
  try {
    CallWindowProcA(it->second->proc, window, it->second->callback, it->second->id, notification);
  } catch (...) {
    // a Qt slot is the end of the line for a failure
  }
  --activations_;
}

std::intptr_t QtTray::SetWindowLongA(WindowHandle window, int index, std::intptr_t value) {
  const auto it = windows_.find(window);
  if (it == windows_.end()) return 0;
  std::intptr_t& slot = index == kGwlpWndProc ? it->second->proc : it->second->userData;
  if (index != kGwlpWndProc && index != kGwlpUserData) return 0;
  const std::intptr_t previous = slot;
  slot = value;
  return previous;
}

std::intptr_t QtTray::GetWindowLongA(WindowHandle window, int index) {
  const auto it = windows_.find(window);
  if (it == windows_.end()) return 0;
  if (index == kGwlpWndProc) return it->second->proc;
  if (index == kGwlpUserData) return it->second->userData;
  return 0;
}

std::intptr_t QtTray::CallWindowProcA(std::intptr_t proc, WindowHandle window, std::uint32_t message,
                                      std::uintptr_t wParam, std::intptr_t lParam) {
  if (!proc) return 0;
  return reinterpret_cast<WindowProc>(proc)(window, message, wParam, lParam);
}

bool QtTray::TrayAvailable() { return HaveApplication() && QSystemTrayIcon::isSystemTrayAvailable(); }

void QtTray::SetTrayHostHandler(WindowHandle window, std::function<void(bool)> handler) {
  const auto it = windows_.find(window);
  if (it != windows_.end()) it->second->host = std::move(handler);
}

// Qt gives no signal when a tray host comes or goes, so it is asked about once a second while an
// icon is meant to be shown.
void QtTray::UpdatePolling() {
  bool wanted = false;
  for (const auto& [handle, w] : windows_) wanted = wanted || w->meantShown;
  if (!wanted) {
    if (poll_) poll_->stop();
    return;
  }
  if (!poll_) {
    poll_ = std::make_unique<QTimer>();
    poll_->setTimerType(Qt::VeryCoarseTimer);
    QObject::connect(poll_.get(), &QTimer::timeout, [this] { Poll(); });
  }
  if (!poll_->isActive()) {
    lastAvailable_ = QSystemTrayIcon::isSystemTrayAvailable();
    poll_->start(1000);
  }
}

void QtTray::Poll() {
  const bool available = QSystemTrayIcon::isSystemTrayAvailable();
  if (available == lastAvailable_) return;
  lastAvailable_ = available;
  std::vector<WindowHandle> told;
  for (const auto& [handle, w] : windows_)
    if (w->meantShown && w->host) told.push_back(handle);
  for (WindowHandle handle : told) {
    const auto it = windows_.find(handle);
    if (it == windows_.end() || !it->second->host) continue;
    try {
      auto host = it->second->host;
      host(available);
    } catch (...) {
    }
  }
}

IconHandle QtPictures::Register(const QIcon& icon, std::optional<QPoint> hotSpot) {
  IconTable& table = Icons();
  std::lock_guard<std::mutex> guard(table.lock);
  const IconHandle handle = table.next++;
  table.icons[handle] = icon;
  if (hotSpot) table.hotSpots[handle] = *hotSpot;
  return handle;
}

std::optional<QPoint> QtPictures::HotSpot(IconHandle handle) {
  IconTable& table = Icons();
  std::lock_guard<std::mutex> guard(table.lock);
  const auto it = table.hotSpots.find(handle);
  if (it == table.hotSpots.end()) return std::nullopt;
  return it->second;
}

QCursor QtPictures::Cursor(IconHandle handle) {
  const QIcon icon = Lookup(handle);
  const QSize size = icon.availableSizes().value(0, QSize(32, 32));
  const QPixmap pixmap = icon.pixmap(32, 32);
  const QPoint hotSpot = HotSpot(handle).value_or(QPoint(0, 0));
  // The click point moves with the image when it is scaled to the pointer's size.
  const int x = size.width() > 0 ? hotSpot.x() * pixmap.width() / size.width() : 0;
  const int y = size.height() > 0 ? hotSpot.y() * pixmap.height() / size.height() : 0;
  // A damaged or hand-made file may put it outside the image, which the X server must not be given.
  return QCursor(pixmap, std::clamp(x, 0, std::max(pixmap.width() - 1, 0)),
                 std::clamp(y, 0, std::max(pixmap.height() - 1, 0)));
}

// A .cur file: a 6-byte header (0, type 2, image count) and 16-byte entries whose bytes 4..7 hold the
// hot spot's x and y, little-endian.
std::optional<QPoint> QtPictures::CursorFileHotSpot(const QByteArray& file) {
  if (file.size() < 6 + 16) return std::nullopt;
  const auto word = [&file](int at) {
    return static_cast<int>(static_cast<unsigned char>(file[at]) | static_cast<unsigned char>(file[at + 1]) << 8);
  };
  if (word(0) != 0 || word(2) != 2 || word(4) == 0) return std::nullopt;
  return QPoint(word(6 + 4), word(6 + 6));
}

QIcon QtPictures::Lookup(IconHandle handle) {
  IconTable& table = Icons();
  std::lock_guard<std::mutex> guard(table.lock);
  const auto it = table.icons.find(handle);
  return it == table.icons.end() ? QIcon() : it->second;
}

PicturePtr QtPictures::ProgramIcon() {
  if (!HaveApplication()) return nullptr;
  static const IconHandle handle = [] {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
      icon.addFile(QStringLiteral(":/icons/hushdial-%1.png").arg(size), QSize(size, size));
    return Register(QIcon::fromTheme(QStringLiteral("hushdial"), icon));
  }();
  return std::make_shared<Picture>(Picture{kPicTypeIcon, handle});
}

PicturePtr QtPictures::LoadPicture(const std::string& path) {
  if (!HaveApplication()) throw Failure("Invalid picture");
  QFile file(QString::fromUtf8(path.c_str()));
  const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  QPixmap pixmap;  // Qt reads .cur and .ico files as images, their first image, without the hot spot
  if (bytes.isEmpty() || (!pixmap.loadFromData(bytes) && !pixmap.load(file.fileName())))
    throw Failure("Invalid picture");
  return std::make_shared<Picture>(Picture{kPicTypeIcon, Register(QIcon(pixmap), CursorFileHotSpot(bytes))});
}

std::vector<std::string> Utf8CodePage::ToSystemCodePage(const std::string& utf8) { return SplitUtf8(utf8); }

}  // namespace hush::platform::linux_backend
