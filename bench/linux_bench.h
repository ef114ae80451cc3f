#pragma once
// What the Linux benchmarks share: the private desktop and sound server, the real program started
// with settings of its own, XTest key presses, and a separate PulseAudio client that watches the
// default sink and sets it.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <pulse/pulseaudio.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Stats {
  double median = 0, p99 = 0;
};
inline Stats Summarise(std::vector<double> v) {
  Stats s;
  if (v.empty()) return s;
  std::sort(v.begin(), v.end());
  s.median = v[v.size() / 2];
  s.p99 = v[std::min(v.size() - 1, static_cast<std::size_t>(static_cast<double>(v.size()) * 0.99))];
  return s;
}

// Runs this benchmark again inside the private desktop and sound server of tools/services.sh when
// it was not started inside them, so that the user's own desktop and sink are never touched.
inline void InsidePrivateServices(int argc, char** argv) {
  if (std::getenv("HUSHDIAL_SERVICES_DIR")) return;
  std::string command = ". '" HUSH_SOURCE_DIR "/tools/services.sh' && hush_start_services >/dev/null && "
                        "trap hush_stop_services EXIT && \"$0\" \"$@\"";
  std::vector<char*> args = {const_cast<char*>("bash"), const_cast<char*>("-c"), command.data()};
  for (int i = 0; i < argc; ++i) args.push_back(argv[i]);
  args.push_back(nullptr);
  execvp("bash", args.data());
  std::perror("bash");
  std::exit(1);
}

// One client of the sound server on a thread of its own. Change events of the default sink are
// stamped as they arrive.
class Pulse {
 public:
  Pulse() {
    loop_ = pa_threaded_mainloop_new();
    pa_threaded_mainloop_start(loop_);
    pa_threaded_mainloop_lock(loop_);
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "hushdial-bench");
    pa_context_set_state_callback(context_, [](pa_context*, void* l) { pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(l), 0); }, loop_);
    pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr);
    while (pa_context_get_state(context_) != PA_CONTEXT_READY && PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)))
      pa_threaded_mainloop_wait(loop_);
    ok_ = pa_context_get_state(context_) == PA_CONTEXT_READY;
    if (ok_) {
      Wait(pa_context_get_sink_info_by_name(context_, "@DEFAULT_SINK@", OnInfo, this));
      pa_context_set_subscribe_callback(context_, OnEvent, this);
      Wait(pa_context_subscribe(context_, PA_SUBSCRIPTION_MASK_SINK, OnSuccess, this));
    }
    pa_threaded_mainloop_unlock(loop_);
  }
  ~Pulse() {
    pa_threaded_mainloop_lock(loop_);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
  }
  bool ok() const { return ok_ && index_ != PA_INVALID_INDEX; }

  // The default sink's volume of now (all channels), asked of the server.
  pa_cvolume Volume() {
    pa_threaded_mainloop_lock(loop_);
    Wait(pa_context_get_sink_info_by_index(context_, index_, OnInfo, this));
    const pa_cvolume v = volume_;
    pa_threaded_mainloop_unlock(loop_);
    return v;
  }
  double Percent() {
    const pa_cvolume v = Volume();
    return 100.0 * pa_cvolume_max(&v) / PA_VOLUME_NORM;
  }
  // Sets every channel; with wait false the request is only sent.
  void Set(double percent, bool wait = true) {
    pa_cvolume v = volume_;
    pa_cvolume_set(&v, v.channels, static_cast<pa_volume_t>(percent / 100.0 * PA_VOLUME_NORM + 0.5));
    Set(v, wait);
  }
  void Set(const pa_cvolume& v, bool wait = true) {
    pa_threaded_mainloop_lock(loop_);
    pa_operation* op = pa_context_set_sink_volume_by_index(context_, index_, &v, OnSuccess, this);
    if (wait) Wait(op);
    else if (op) pa_operation_unref(op);
    pa_threaded_mainloop_unlock(loop_);
  }

  // The arrival time of the first change event at or after `since`, or nothing within `timeout`.
  bool EventAfter(Clock::time_point since, Clock::duration timeout, Clock::time_point* at) {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto found = [&] {
      for (auto t : events_)
        if (t >= since) {
          *at = t;
          return true;
        }
      return false;
    };
    return changed_.wait_for(lock, timeout, found);
  }
  std::size_t EventsSince(Clock::time_point since) {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<std::size_t>(std::count_if(events_.begin(), events_.end(), [&](auto t) { return t >= since; }));
  }

 private:
  void Wait(pa_operation* op) {
    if (!op) return;
    while (pa_operation_get_state(op) == PA_OPERATION_RUNNING) pa_threaded_mainloop_wait(loop_);
    pa_operation_unref(op);
  }
  static void OnSuccess(pa_context*, int, void* self) { pa_threaded_mainloop_signal(static_cast<Pulse*>(self)->loop_, 0); }
  static void OnInfo(pa_context*, const pa_sink_info* info, int eol, void* p) {
    auto* self = static_cast<Pulse*>(p);
    if (eol == 0 && info) {
      self->index_ = info->index;
      self->volume_ = info->volume;
    }
    pa_threaded_mainloop_signal(self->loop_, 0);
  }
  static void OnEvent(pa_context*, pa_subscription_event_type_t type, std::uint32_t index, void* p) {
    const auto now = Clock::now();
    auto* self = static_cast<Pulse*>(p);
    if ((type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) != PA_SUBSCRIPTION_EVENT_CHANGE || index != self->index_) return;
    {
      std::lock_guard<std::mutex> lock(self->mutex_);
      self->events_.push_back(now);
    }
    self->changed_.notify_all();
  }

  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  bool ok_ = false;
  std::uint32_t index_ = PA_INVALID_INDEX;
  pa_cvolume volume_{};
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Clock::time_point> events_;
};

// A program started with its own environment additions; ended with SIGTERM.
class Child {
 public:
  Child(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {}) {
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    std::vector<char*> a, e;
    for (const auto& s : argv) a.push_back(const_cast<char*>(s.c_str()));
    for (const auto& s : env) e.push_back(const_cast<char*>(s.c_str()));
    a.push_back(nullptr);
    e.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    if (posix_spawnp(&pid_, a[0], &actions, nullptr, a.data(), e.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
  }
  ~Child() { Stop(); }
  pid_t pid() const { return pid_; }
  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }

 private:
  pid_t pid_ = -1;
};

// The real program with settings, autostart entries and the rest in a scratch folder of its own.
struct Program {
  std::filesystem::path scratch;
  Child child;
  explicit Program(const std::filesystem::path& dir)
      : scratch(dir), child({HUSH_PROGRAM}, {"XDG_CONFIG_HOME=" + (dir / "config").string(),
                                             "XDG_CONFIG_DIRS=" + (dir / "system").string()}) {}
};

inline std::filesystem::path ScratchDir() {
  char name[] = "/tmp/hushdial-bench.XXXXXX";
  return mkdtemp(name) ? std::filesystem::path(name) : std::filesystem::path();
}

// Ctrl+Shift+<key> through XTest, as a keyboard would send it.
class Keyboard {
 public:
  Keyboard() : display_(XOpenDisplay(nullptr)) {
    if (!display_) return;
    ctrl_ = XKeysymToKeycode(display_, XK_Control_L);
    shift_ = XKeysymToKeycode(display_, XK_Shift_L);
  }
  ~Keyboard() {
    if (display_ && own_) XDestroyWindow(display_, own_);
    if (display_) XCloseDisplay(display_);
  }
  bool ok() const { return display_ != nullptr; }
  // A window of the benchmark's own takes the focus, as another program's would while the user
  // works: the program itself is not the one being typed into.
  void FocusOwnWindow() {
    const Window root = DefaultRootWindow(display_);
    own_ = XCreateSimpleWindow(display_, root, 0, 0, 200, 100, 0, 0, 0);
    XStoreName(display_, own_, "hushdial-bench");
    XMapRaised(display_, own_);
    XSync(display_, False);
    for (int i = 0; i < 100; ++i) {
      XWindowAttributes attrs{};
      XGetWindowAttributes(display_, own_, &attrs);
      if (attrs.map_state == IsViewable) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    XSetInputFocus(display_, own_, RevertToPointerRoot, CurrentTime);
    XSync(display_, False);
  }
  Display* display() const { return display_; }
  KeyCode Code(KeySym sym) const { return XKeysymToKeycode(display_, sym); }
  void Down(KeySym key) {
    XTestFakeKeyEvent(display_, ctrl_, True, 0);
    XTestFakeKeyEvent(display_, shift_, True, 0);
    XTestFakeKeyEvent(display_, Code(key), True, 0);
    XFlush(display_);  // sent, not waited for: the wait would be the benchmark's own round trip
  }
  void Up(KeySym key) {
    XTestFakeKeyEvent(display_, Code(key), False, 0);
    XTestFakeKeyEvent(display_, shift_, False, 0);
    XTestFakeKeyEvent(display_, ctrl_, False, 0);
    XSync(display_, False);
  }

 private:
  Display* display_;
  Window own_ = 0;
  KeyCode ctrl_ = 0, shift_ = 0;
};

// Presses Ctrl+Shift+Q every few milliseconds until a press changes the sink: the program is then
// armed. The time of that press, or nothing within `timeout`.
inline bool UntilArmed(Keyboard& keys, Pulse& pulse, Clock::duration timeout, Clock::time_point* armed) {
  pulse.Set(50.0);  // room to raise: at full a raise changes nothing and would never be seen
  const auto end = Clock::now() + timeout;
  while (Clock::now() < end) {
    const auto sent = Clock::now();
    keys.Down(XK_q);
    keys.Up(XK_q);
    Clock::time_point at;
    if (pulse.EventAfter(sent, std::chrono::milliseconds(5), &at)) {
      *armed = sent;
      return true;
    }
  }
  return false;
}

}  // namespace bench
