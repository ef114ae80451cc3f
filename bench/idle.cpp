// The armed program left alone: CPU time used, resident memory, and the time from process start
// to the first arming (the first press that steps the sink, found by pressing every few ms).
// idle [--seconds S]
#include <fstream>
#include <sstream>

#include "bench/linux_bench.h"

namespace {

// User plus system time of a process, in seconds.
double CpuSeconds(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(in, line);
  std::istringstream fields(line.substr(line.rfind(')') + 2));
  std::string field;
  double ticks = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i)
    if (i == 14 || i == 15) ticks += std::stod(field);
  return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double ResidentMb(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace bench;
  InsidePrivateServices(argc, argv);
  int seconds = 60;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--seconds" && i + 1 < argc) seconds = std::max(1, std::atoi(argv[++i]));
    else return std::fprintf(stderr, "usage: idle [--seconds S]\n"), 2;
  }
  Pulse watcher, setter;
  Keyboard keys;
  if (!watcher.ok() || !setter.ok() || !keys.ok()) return std::fprintf(stderr, "no sound server or display\n"), 1;
  const pa_cvolume found = watcher.Volume();
  setter.Set(50.0);
  const auto dir = ScratchDir();
  double cpuPct = 0, rssMb = 0, startToArmedMs = 0;
  {
    const auto started = Clock::now();
    Program hushdial(dir);
    Clock::time_point armed;
    if (!UntilArmed(keys, watcher, std::chrono::seconds(10), &armed)) {
      setter.Set(found);
      return std::fprintf(stderr, "hushdial did not arm\n"), 1;
    }
    startToArmedMs = Ms(armed - started);
    std::this_thread::sleep_for(std::chrono::seconds(1));  // the start-up work is done
    const double before = CpuSeconds(hushdial.child.pid());
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    cpuPct = 100.0 * (CpuSeconds(hushdial.child.pid()) - before) / seconds;
    rssMb = ResidentMb(hushdial.child.pid());
  }
  setter.Set(found);
  std::filesystem::remove_all(dir);
  std::printf("cpu_pct=%.3f rss_mb=%.1f start_to_armed_ms=%.0f\n", cpuPct, rssMb, startToArmedMs);
  return 0;
}
