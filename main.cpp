// Hushdial: two global shortcuts that raise and lower the master volume by one step.
#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>

#include "app/Form1.h"
#include "app/WindowBinder.h"
#include "platform/native.h"

int main() {
  hush::platform::NativePlatform native;
  // Boxes belong to the main window, which they keep disabled while they are up.
  native.box.SetOwner(reinterpret_cast<void*>(native.window.Handle()));
  hush::Form1 form(native.platform);
  hush::WindowBinder binder(form, native.window);
  form.Form_Load();
  binder.Build();
  form.Show();
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    HWND dialog = reinterpret_cast<HWND>(hush::platform::win32::DialogWindow());
    if (dialog && IsDialogMessageA(dialog, &msg)) continue;  // Tab moves the focus as designed
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}
#elif defined(HUSHDIAL_WINDOW_MODULE)
// The window and its shortcuts, loaded by the program when it is started without an option.
#include <QApplication>
#include <xcb/xcb.h>

#include "app/Form1.h"
#include "app/WindowBinder.h"
#include "hotkeys/ShortCuts.h"
#include "platform/native.h"
#include "platform/linux/desktop_notifications.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <clocale>
#include <csignal>
#include <cstring>
#include <functional>
#include <mutex>
#include <utility>

namespace {
// Qt aborts when it can't reach a display; say what is missing instead.
bool DisplayReachable() {
  const char* qpa = std::getenv("QT_QPA_PLATFORM");
  if (qpa && std::strncmp(qpa, "xcb", 3) != 0) return true;  // offscreen, wayland: Qt's own business
  if (!qpa && !std::getenv("DISPLAY") && std::getenv("WAYLAND_DISPLAY")) return true;
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  const bool ok = connection && !xcb_connection_has_error(connection);
  if (connection) xcb_disconnect(connection);
  return ok;
}

// When the display connection breaks Qt warns in its own words and ends the process (on Wayland
// with a core dump); the user gets one line in Hushdial's words and status 1 instead. At a logout
// the compositor goes before any signal comes: what the desktop keeps for the program (GNOME's
// entries, through D-Bus, which outlives the compositor) is taken away first.
QtMessageHandler g_qtMessages = nullptr;
std::mutex g_displayGone;
std::function<void()> g_atDisplayGone;  // under g_displayGone
void OnQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  const bool x11 = message.contains(QStringLiteral("X11 connection broke"));
  const bool wayland = message.contains(QStringLiteral("Wayland connection broke"));
  if ((type == QtWarningMsg || type == QtFatalMsg) && (x11 || wayland)) {
    static std::atomic<bool> said{false};
    const char* display = std::getenv(x11 ? "DISPLAY" : "WAYLAND_DISPLAY");
    if (!said.exchange(true)) std::fprintf(stderr, "Hushdial: the display %s went away; ending.\n", display ? display : "");
    std::fflush(nullptr);
    // Qt may say it from its event thread and from the main thread: whichever comes second waits
    // for the first's cleanup before the process ends.
    const std::lock_guard<std::mutex> lock(g_displayGone);
    if (auto end = std::exchange(g_atDisplayGone, nullptr)) end();
    std::_Exit(1);
  }
  if (g_qtMessages) g_qtMessages(type, context, message);
}

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

// A system where no locale is set up (a minimal install, a bare container) runs in "C", whose ASCII
// Qt replaces by UTF-8 with a warning of several lines at every start. That is nobody's choice, so the
// program takes C.UTF-8 for characters itself, quietly; a locale the user did choose is left to Qt.
void TakeUtf8WhereNoLocaleIsSet() {
  const char* chosen = std::setlocale(LC_CTYPE, "");
  const bool none = !chosen || std::strcmp(chosen, "C") == 0 || std::strcmp(chosen, "POSIX") == 0;
  // LC_ALL=C is a choice, and LC_CTYPE could not override it anyway.
  if (none && !Set("LC_ALL") && std::setlocale(LC_CTYPE, "C.UTF-8")) setenv("LC_CTYPE", "C.UTF-8", 1);
  std::setlocale(LC_CTYPE, "C");  // Qt sets the locale up itself
}

// A Wayland session: as XDG_SESSION_TYPE says when the environment agrees with it, else as the
// environment shows.
bool WaylandSession() {
  const char* type = std::getenv("XDG_SESSION_TYPE");
  if (type && std::strcmp(type, "wayland") == 0 && Set("WAYLAND_DISPLAY")) return true;
  if (type && std::strcmp(type, "x11") == 0 && Set("DISPLAY")) return false;
  return Set("WAYLAND_DISPLAY");
}

// Asked before the window system is chosen, so with an application object of its own.
bool PortalOffersShortcuts(int argc, char** argv) {
  QCoreApplication probe(argc, argv);
  return hush::platform::linux_backend::PortalHotkeys::Offered();
}

hush::platform::linux_backend::ShortcutNaming ShortcutName(std::int32_t id) {
  if (id == hush::ShortCuts::IncreaseHotkeyId) return {"raise-volume", "Raise the volume by one step", "--raise"};
  return {"lower-volume", "Lower the volume by one step", "--lower"};
}

// How this session's desktop lets the program have global shortcuts.
hush::platform::linux_backend::ShortcutWay ChooseShortcutWay(int argc, char** argv) {
  using namespace hush::platform::linux_backend;
  if (!WaylandSession()) return ShortcutWay::X11;
  const bool gnome = GnomeHotkeys::Offered();
  // GNOME before 48 has no shortcuts portal of its own: one offered there comes from another
  // desktop's backend (KDE's, installed beside), whose keys never reach a GNOME Wayland session.
  if (gnome) {
    const int shell = GnomeHotkeys::ShellMajorVersion();
    if (shell > 0 && shell < 48) return ShortcutWay::Gnome;
  }
  if (PortalOffersShortcuts(argc, argv)) return ShortcutWay::Portal;
  if (SwayHotkeys::Offered()) return ShortcutWay::Sway;
  if (gnome) return ShortcutWay::Gnome;
  return ShortcutWay::X11;
}

// A Wayland desktop that gives programs no global shortcuts: the X11 grabs work only while an X11
// window has the focus. Said where the user sees it, with what to bind in the desktop's settings.
void TellAboutShortcuts(const std::string& program) {
  const char* desktop = std::getenv("XDG_CURRENT_DESKTOP");
  const std::string raise = hush::platform::linux_backend::GnomeHotkeys::Command(program, "--raise");
  const std::string lower = hush::platform::linux_backend::GnomeHotkeys::Command(program, "--lower");
  const std::string text = std::string("This desktop (") + (desktop && *desktop ? desktop : "Wayland") +
                           ") gives programs no global shortcuts, so Hushdial's work only while a window of an X11 "
                           "program has the focus. For shortcuts everywhere, add two in the desktop's keyboard "
                           "settings: Ctrl+Shift+letter running " + raise + " and another running " + lower + ".";
  std::fprintf(stderr, "Hushdial: %s\n", text.c_str());
  static hush::platform::linux_backend::DesktopNotifications notice;
  notice.Show(QStringLiteral("Hushdial"), QString::fromStdString(text), -1, nullptr);
}

// SIGTERM, SIGINT and SIGHUP (a logout) end the program as closing it does, so that shortcuts the
// desktop keeps for it are taken away; the handler only wakes the event loop.
int g_endPipe[2] = {-1, -1};
void OnEndSignal(int) {
  const char byte = 1;
  if (::write(g_endPipe[1], &byte, 1) < 0) {
  }
}
void EndOnSignals(std::function<void()> end) {
  if (pipe2(g_endPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
  auto* notifier = new QSocketNotifier(g_endPipe[0], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [notifier, end = std::move(end)] {
    // Once: the end processes events, where a notifier still armed would call it again.
    notifier->setEnabled(false);
    char drained[16];
    while (::read(g_endPipe[0], drained, sizeof drained) > 0) {
    }
    end();
  });
  struct sigaction action {};
  action.sa_handler = OnEndSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);
}

}  // namespace

extern "C" int hushdial_window(int argc, char** argv, const char* program) {
  // A settings write past a file-size limit (a full quota) fails and leaves the old file; it must
  // not end the program.
  std::signal(SIGXFSZ, SIG_IGN);
  TakeUtf8WhereNoLocaleIsSet();
  // In a Wayland session the desktop's portal gives the shortcuts, and the window is a Wayland one.
  // Without the portal they are X11 grabs, which under Wayland work through XWayland.
  // Where the desktop makes them (portal, GNOME, sway), the window is a Wayland one too.
  using hush::platform::linux_backend::ShortcutWay;
  const ShortcutWay way = ChooseShortcutWay(argc, argv);
  const bool grabs = way == ShortcutWay::X11;
  if (grabs && !std::getenv("QT_QPA_PLATFORM") && std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "xcb", 0);
  if (!grabs && !std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "wayland;xcb", 0);
  if (!DisplayReachable()) {
    const char* display = std::getenv("DISPLAY");
    std::fprintf(stderr,
                 "Hushdial: no display to open (DISPLAY=%s); start it in a desktop session, or use tools/run, "
                 "which starts a private desktop when there is none.\n",
                 display ? display : "unset");
    return 1;
  }
  g_qtMessages = qInstallMessageHandler(OnQtMessage);
  QApplication app(argc, argv);
  // The program ends only through its close handling, never because a message box closed while the
  // window was hidden in the tray.
  QApplication::setQuitOnLastWindowClosed(false);
  hush::platform::NativePlatform native(way, ShortcutName, program);
  native.box.SetOwner([&native] { return native.window.Widget(); });
  native.window.SetAtEnd([&native] { native.RemoveShortcuts(); });
  {
    const std::lock_guard<std::mutex> lock(g_displayGone);
    g_atDisplayGone = [&native] { native.RemoveShortcuts(); };
  }
  // Gone before the platform is: a display that breaks after the event loop has no cleanup to call.
  struct Forget {
    ~Forget() {
      const std::lock_guard<std::mutex> lock(g_displayGone);
      g_atDisplayGone = nullptr;
    }
  } forget;
  hush::Form1 form(native.platform);
  hush::WindowBinder binder(form, native.window);
  EndOnSignals([&form] { form.Form_QueryUnload(); });
  if (grabs && WaylandSession()) TellAboutShortcuts(program);
  if (grabs) native.hotkeys.Available();  // says once on stderr when shortcuts can't work in this session
  form.Form_Load();
  binder.Build();
  form.Show();
  return app.exec();
}
#else
// The program: the command line and a step on their own, without the window toolkit (a desktop runs
// it once for every press of a shortcut it keeps for Hushdial); the window comes from its module.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "app/CommandLine.h"
#include "platform/linux/alsa_mixer.h"
#include "platform/linux/linux_version.h"
#include "platform/linux/pulse_core_audio.h"

namespace {

// The absolute path of this program, which a desktop runs for a press.
std::string ThisProgram() {
  char path[4096];
  const ssize_t size = readlink("/proc/self/exe", path, sizeof path - 1);
  return size > 0 ? std::string(path, static_cast<std::size_t>(size)) : std::string("hushdial");
}

// Steps started at once (a desktop starts one per key repeat, and on a busy machine they overlap)
// each read the level and then set it: they take turns, or steps are lost. The lock is the user's
// (in the runtime folder, else a file of the user's own in /tmp) and ends with the process; where it
// cannot be had, the step is made as before.
std::string g_turn;
int g_turnFd = -1;
void TakeTurnToStep() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  const std::string path = runtime != nullptr && *runtime == '/'
                               ? std::string(runtime) + "/hushdial-step.lock"
                               : "/tmp/hushdial-step-" + std::to_string(getuid()) + ".lock";
  for (int attempt = 0; attempt < 64; ++attempt) {
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return;
    struct stat own {};
    if (fstat(fd, &own) != 0 || own.st_uid != getuid()) {
      close(fd);
      return;
    }
    bool locked = true;
    while (flock(fd, LOCK_EX) != 0) {
      if (errno == EINTR) continue;
      locked = false;  // no locks here (ENOLCK): the step is made as before, without a turn
      break;
    }
    if (!locked) {
      close(fd);
      return;
    }
    // The step before may have taken the file away while this one waited: its turn is then on a
    // file nobody else finds, so it waits again on the one the name gives now.
    struct stat named {};
    if (stat(path.c_str(), &named) == 0 && named.st_ino == own.st_ino && named.st_dev == own.st_dev) {
      g_turn = path;
      g_turnFd = fd;
      return;
    }
    close(fd);
  }
}
// Unlinked while still held, so nothing is left once the steps are done.
void EndTurn() {
  if (g_turnFd < 0) return;
  struct stat open {}, named {};
  if (fstat(g_turnFd, &open) == 0 && stat(g_turn.c_str(), &named) == 0 && open.st_ino == named.st_ino &&
      open.st_dev == named.st_dev)
    unlink(g_turn.c_str());
  close(g_turnFd);
  g_turnFd = -1;
}

// hushdial --raise / --lower: one step and an end, without a display or a window; --help, --version.
// Returns -1 when the window is to open.
int FromCommandLine(int argc, char** argv) {
  using namespace hush;
  const CommandLine::Parsed parsed = CommandLine::Parse(argc, argv);
  switch (parsed.action) {
    case CommandLine::Action::Window:
      return -1;
    case CommandLine::Action::Help:
      std::fputs(CommandLine::HelpText().c_str(), stdout);
      return 0;
    case CommandLine::Action::Version:
      std::fputs(CommandLine::VersionText().c_str(), stdout);
      return 0;
    case CommandLine::Action::Wrong:
      std::fprintf(stderr, "Hushdial: %s; usage: hushdial [--raise | --lower | --help | --version]\n",
                   parsed.problem.c_str());
      return 2;
    case CommandLine::Action::Raise:
    case CommandLine::Action::Lower:
      break;
  }
  CommandLine::LineBox box;
  platform::linux_backend::LinuxCoreAudio audio("sysdefault", false, false);
  platform::linux_backend::AlsaMixer mixer;
  platform::linux_backend::UnameVersion version;
  std::string message;
  TakeTurnToStep();
  const int status =
      CommandLine::Step(box, audio, mixer, version, parsed.action == CommandLine::Action::Raise, message);
  EndTurn();
  if (status != 0) std::fprintf(stderr, "Hushdial: %s\n", message.c_str());
  return status;
}

// The window module: beside the program in the build tree, in lib/hushdial when installed.
int OpenWindow(int argc, char** argv) {
  const std::string program = ThisProgram();
  const std::string folder = program.substr(0, program.rfind('/') + 1);
  std::string tried;
  for (const std::string& place : {folder + "hushdial-window.so", folder + "../lib/hushdial/hushdial-window.so"}) {
    if (access(place.c_str(), F_OK) != 0) continue;
    void* module = dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
      tried = dlerror();
      break;
    }
    using Entry = int (*)(int, char**, const char*);
    auto entry = reinterpret_cast<Entry>(dlsym(module, "hushdial_window"));
    if (entry) return entry(argc, argv, program.c_str());
    tried = place + " has no window";
    break;
  }
  std::fprintf(stderr, "Hushdial: the window part of the program is %s; reinstall Hushdial.\n",
               tried.empty() ? "missing" : ("broken (" + tried + ")").c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (const int status = FromCommandLine(argc, argv); status >= 0) return status;
  return OpenWindow(argc, argv);
}
#endif
