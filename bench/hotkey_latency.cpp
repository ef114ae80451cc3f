// Ctrl+Shift+Q pressed through XTest, timed until the sink's change event reaches a separate
// PulseAudio client: the real program, the floor (a bare volume set by another client, no key, no
// program), the key floor (the least an X11 program can do: grab the key, set the sink), and what a
// Linux user would set up instead (xbindkeys, sxhkd, each running pactl).
// hotkey_latency [--presses N]
#include <fstream>

#include "bench/linux_bench.h"

namespace {

using namespace bench;

// Each press spaced out as a user's would be, alternating raise and lower so the sink stays mid-way.
std::vector<double> TimePresses(Keyboard& keys, Pulse& pulse, int presses, Clock::duration gap,
                                Clock::duration timeout) {
  std::vector<double> ms;
  for (int i = 0; i < presses; ++i) {
    std::this_thread::sleep_for(gap);
    const KeySym key = i % 2 ? XK_a : XK_q;
    const auto sent = Clock::now();
    keys.Down(key);
    Clock::time_point at;
    const bool seen = pulse.EventAfter(sent, timeout, &at);
    keys.Up(key);
    if (seen) ms.push_back(Ms(at - sent));
  }
  return ms;
}

std::vector<double> TimeBareSets(Pulse& setter, Pulse& watcher, int runs) {
  std::vector<double> ms;
  for (int i = 0; i < runs; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto sent = Clock::now();
    setter.Set(i % 2 ? 50.0 : 51.0, false);
    Clock::time_point at;
    if (watcher.EventAfter(sent, std::chrono::seconds(1), &at)) ms.push_back(Ms(at - sent));
  }
  return ms;
}

// A hotkey daemon bound to Ctrl+Shift+Q / A running pactl, timed the same way. Empty if not installed.
std::vector<double> TimePeer(const std::string& name, Keyboard& keys, Pulse& pulse, int presses,
                             const std::filesystem::path& dir) {
  const std::filesystem::path rc = dir / (name + ".rc");
  std::vector<std::string> argv;
  if (name == "xbindkeys") {
    std::ofstream(rc) << "\"pactl set-sink-volume @DEFAULT_SINK@ +1%\"\n  control+shift + q\n"
                         "\"pactl set-sink-volume @DEFAULT_SINK@ -1%\"\n  control+shift + a\n";
    argv = {"xbindkeys", "-n", "-f", rc.string()};
  } else {
    std::ofstream(rc) << "ctrl + shift + q\n  pactl set-sink-volume @DEFAULT_SINK@ +1%\n"
                         "ctrl + shift + a\n  pactl set-sink-volume @DEFAULT_SINK@ -1%\n";
    argv = {"sxhkd", "-c", rc.string()};
  }
  if (system(("command -v " + name + " >/dev/null").c_str()) != 0) return {};
  Child daemon(argv);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // until it holds its grabs
  return TimePresses(keys, pulse, presses, std::chrono::milliseconds(60), std::chrono::seconds(2));
}

// The least any X11 shortcut program can do, run as a child of this benchmark: grab the two keys
// and set the sink through a kept client on each press. Its time is the floor for a key press.
int RunAsKeyFloor() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  const Window root = DefaultRootWindow(display);
  const KeyCode up = XKeysymToKeycode(display, XK_q), down = XKeysymToKeycode(display, XK_a);
  for (const unsigned lock : {0u, unsigned{LockMask}, unsigned{Mod2Mask}, unsigned{LockMask | Mod2Mask}})
    for (const KeyCode code : {up, down})
      XGrabKey(display, code, ControlMask | ShiftMask | lock, root, True, GrabModeAsync, GrabModeAsync);
  XSync(display, False);
  Pulse pulse;
  double percent = pulse.Percent();
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type != KeyPress) continue;
    percent += event.xkey.keycode == up ? 1.0 : -1.0;
    pulse.Set(percent);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::string(argv[1]) == "--as-key-floor") return RunAsKeyFloor();
  InsidePrivateServices(argc, argv);
  int presses = 200;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--presses" && i + 1 < argc) presses = std::max(2, std::atoi(argv[++i]));
    else return std::fprintf(stderr, "usage: hotkey_latency [--presses N]\n"), 2;
  }
  Pulse watcher, setter;
  Keyboard keys;
  if (!watcher.ok() || !setter.ok() || !keys.ok()) return std::fprintf(stderr, "no sound server or display\n"), 1;
  const pa_cvolume found = watcher.Volume();
  const auto dir = ScratchDir();
  setter.Set(50.0);

  std::vector<double> ours;
  {
    Program hushdial(dir);
    Clock::time_point armed;
    if (!UntilArmed(keys, watcher, std::chrono::seconds(10), &armed)) {
      setter.Set(found);
      return std::fprintf(stderr, "hushdial did not arm\n"), 1;
    }
    keys.FocusOwnWindow();
    setter.Set(50.0);
    ours = TimePresses(keys, watcher, presses, std::chrono::milliseconds(30), std::chrono::seconds(1));
  }
  const std::vector<double> floor = TimeBareSets(setter, watcher, presses);
  std::vector<double> keyFloor;
  {
    setter.Set(50.0);
    Child minimal({argv[0], "--as-key-floor"});
    Clock::time_point armed;
    if (UntilArmed(keys, watcher, std::chrono::seconds(5), &armed))
      keyFloor = TimePresses(keys, watcher, presses, std::chrono::milliseconds(30), std::chrono::seconds(1));
  }
  setter.Set(50.0);
  const int peerPresses = std::max(2, std::min(presses, 50));
  const std::vector<double> xbindkeys = TimePeer("xbindkeys", keys, watcher, peerPresses, dir);
  setter.Set(50.0);
  const std::vector<double> sxhkd = TimePeer("sxhkd", keys, watcher, peerPresses, dir);
  setter.Set(found);
  std::filesystem::remove_all(dir);

  const Stats o = Summarise(ours), f = Summarise(floor), x = Summarise(xbindkeys), s = Summarise(sxhkd);
  std::printf("hushdial presses=%zu/%d median_ms=%.3f p99_ms=%.3f (%.2f x the floor)\n", ours.size(), presses,
              o.median, o.p99, f.median > 0 ? o.median / f.median : 0.0);
  std::printf("floor sets=%zu median_ms=%.3f p99_ms=%.3f\n", floor.size(), f.median, f.p99);
  const Stats k = Summarise(keyFloor);
  std::printf("key floor (grab and set, nothing else) presses=%zu median_ms=%.3f p99_ms=%.3f\n", keyFloor.size(),
              k.median, k.p99);
  std::printf("xbindkeys+pactl presses=%zu median_ms=%.3f p99_ms=%.3f\n", xbindkeys.size(), x.median, x.p99);
  std::printf("sxhkd+pactl presses=%zu median_ms=%.3f p99_ms=%.3f\n", sxhkd.size(), s.median, s.p99);
  std::printf("presses=%zu median_ms=%.3f p99_ms=%.3f floor_ms=%.3f peer_median_ms=%.3f ratio=%.1f\n", ours.size(),
              o.median, o.p99, f.median, x.median, o.median > 0 ? x.median / o.median : 0.0);
  return ours.size() == static_cast<std::size_t>(presses) ? 0 : 1;
}
