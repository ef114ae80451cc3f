// `hushdial --raise` / `--lower` from a shell, timed from the command's start to the default sink's
// change event at another client, beside `pactl set-sink-volume @DEFAULT_SINK@ +1%` / `-1%` timed
// the same way in the same run, the two taking turns. command_step [--runs N]
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/linux_bench.h"

namespace {

// Runs a command to its end; the time from its start to the sink's change event, or -1.
double Timed(bench::Pulse& pulse, std::vector<std::string> argv) {
  std::vector<char*> a;
  for (auto& s : argv) a.push_back(s.data());
  a.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const auto start = bench::Clock::now();
  pid_t pid = -1;
  const bool spawned = posix_spawnp(&pid, a[0], &actions, nullptr, a.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  if (!spawned) return -1;
  bench::Clock::time_point at;
  const bool changed = pulse.EventAfter(start, std::chrono::seconds(5), &at);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!changed || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return bench::Ms(at - start);
}

}  // namespace

int main(int argc, char** argv) {
  bench::InsidePrivateServices(argc, argv);
  int runs = 100;
  for (int i = 1; i + 1 < argc; ++i)
    if (std::strcmp(argv[i], "--runs") == 0) runs = std::atoi(argv[i + 1]);
  bench::Pulse pulse;
  if (!pulse.ok()) {
    std::fprintf(stderr, "command_step: no sound server\n");
    return 1;
  }
  const double found = pulse.Percent();
  pulse.Set(50);
  std::vector<double> ours, pactl;
  int failed = 0;
  for (int i = 0; i < runs; ++i) {
    const bool up = i % 2 == 0;  // each pair leaves the level where it was
    const double a = Timed(pulse, {HUSH_PROGRAM, up ? "--raise" : "--lower"});
    const double b = Timed(pulse, {"pactl", "set-sink-volume", "@DEFAULT_SINK@", up ? "+1%" : "-1%"});
    if (a < 0 || b < 0) ++failed;
    if (a >= 0) ours.push_back(a);
    if (b >= 0) pactl.push_back(b);
  }
  pulse.Set(found);
  const bench::Stats h = bench::Summarise(ours), p = bench::Summarise(pactl);
  std::printf("hushdial --raise/--lower runs=%zu median_ms=%.3f p99_ms=%.3f\n", ours.size(), h.median, h.p99);
  std::printf("pactl set-sink-volume runs=%zu median_ms=%.3f p99_ms=%.3f\n", pactl.size(), p.median, p.p99);
  std::printf("failed=%d hushdial_median_ms=%.3f pactl_median_ms=%.3f ratio=%.2f\n", failed, h.median, p.median,
              p.median > 0 ? h.median / p.median : 0.0);
  return failed == 0 ? 0 : 1;
}
