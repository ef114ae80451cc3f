// Ctrl+Shift+Q held down with the X server's own auto-repeat at 30 repeats a second: every repeat
// the server delivers (counted with the RECORD extension, which sees grabbed keys too) must give one
// volume step (counted as change events of the sink at a separate client).
// held_key [--seconds S]
#include <X11/XKBlib.h>
#include <X11/extensions/record.h>

#include <atomic>

#include "bench/linux_bench.h"

namespace {

using namespace bench;

// Counts the key presses of one key code that the server delivers, on a thread of its own.
class PressCounter {
 public:
  explicit PressCounter(KeyCode code) : code_(code) {
    control_ = XOpenDisplay(nullptr);
    data_ = XOpenDisplay(nullptr);
    XRecordClientSpec clients = XRecordAllClients;
    XRecordRange* range = XRecordAllocRange();
    range->device_events.first = KeyPress;
    range->device_events.last = KeyPress;
    context_ = XRecordCreateContext(control_, 0, &clients, 1, &range, 1);
    XFree(range);
    XSync(control_, False);
    thread_ = std::thread([this] { XRecordEnableContext(data_, context_, &PressCounter::OnData, reinterpret_cast<XPointer>(this)); });
  }
  ~PressCounter() {
    XRecordDisableContext(control_, context_);
    XSync(control_, False);
    thread_.join();
    XRecordFreeContext(control_, context_);
    XCloseDisplay(data_);
    XCloseDisplay(control_);
  }
  int presses() const { return presses_; }

 private:
  static void OnData(XPointer self, XRecordInterceptData* data) {
    auto* counter = reinterpret_cast<PressCounter*>(self);
    if (data->category == XRecordFromServer && data->data_len > 0) {
      const auto* bytes = reinterpret_cast<const unsigned char*>(data->data);
      if ((bytes[0] & 0x7f) == KeyPress && bytes[1] == counter->code_) ++counter->presses_;
    }
    XRecordFreeData(data);
  }
  KeyCode code_;
  Display* control_ = nullptr;
  Display* data_ = nullptr;
  XRecordContext context_ = 0;
  std::atomic<int> presses_{0};
  std::thread thread_;
};

}  // namespace

int main(int argc, char** argv) {
  InsidePrivateServices(argc, argv);
  int seconds = 10;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--seconds" && i + 1 < argc) seconds = std::max(1, std::atoi(argv[++i]));
    else return std::fprintf(stderr, "usage: held_key [--seconds S]\n"), 2;
  }
  Pulse watcher, setter;
  Keyboard keys;
  if (!watcher.ok() || !setter.ok() || !keys.ok()) return std::fprintf(stderr, "no sound server or display\n"), 1;
  const pa_cvolume found = watcher.Volume();
  const auto dir = ScratchDir();
  int presses = 0;
  std::size_t steps = 0;
  {
    Program hushdial(dir);
    Clock::time_point armed;
    if (!UntilArmed(keys, watcher, std::chrono::seconds(10), &armed)) {
      setter.Set(found);
      return std::fprintf(stderr, "hushdial did not arm\n"), 1;
    }
    // Down to 0 % first: 30 repeats a second for S seconds would go past full, so the sink is put
    // back to 0 % whenever it passes 80 % (that set's own change event is not counted).
    setter.Set(0.0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    XkbSetAutoRepeatRate(keys.display(), XkbUseCoreKbd, 500, 33);  // 30 a second after half a second
    XAutoRepeatOn(keys.display());
    XSync(keys.display(), False);
    PressCounter counter(keys.Code(XK_q));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto start = Clock::now();
    int resets = 0;
    keys.Down(XK_q);
    const auto end = start + std::chrono::seconds(seconds);
    while (Clock::now() < end) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      if (watcher.Percent() > 80.0) {
        setter.Set(0.0);
        ++resets;
      }
    }
    keys.Up(XK_q);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the last steps land
    presses = counter.presses();
    steps = watcher.EventsSince(start) - static_cast<std::size_t>(resets);
  }
  setter.Set(found);
  std::filesystem::remove_all(dir);
  std::printf("presses=%d steps=%zu\n", presses, steps);
  return static_cast<std::size_t>(presses) == steps ? 0 : 1;
}
