#pragma once
// Reads and sets the private test server's default sink with pactl, as a user would see it.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace hush::test {

inline std::string Run(const std::string& command) {
  std::string out;
  if (FILE* pipe = popen((command + " 2>&1").c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
  }
  return out;
}

inline bool HaveTestServer() { return std::getenv("HUSHDIAL_TEST_PULSE") != nullptr; }

// The percentages in pactl's answer about a sink's volume, one per channel.
inline std::vector<int> PercentsIn(const std::string& out) {
  std::vector<int> percents;
  for (std::size_t pos = out.find('%'); pos != std::string::npos; pos = out.find('%', pos + 1)) {
    std::size_t start = pos;
    while (start > 0 && out[start - 1] >= '0' && out[start - 1] <= '9') --start;
    if (start < pos) percents.push_back(std::stoi(out.substr(start, pos - start)));
  }
  return percents;
}

// Percentages of the default sink's channels, as pactl prints them.
inline std::vector<int> SinkPercents() { return PercentsIn(Run("pactl get-sink-volume @DEFAULT_SINK@")); }

inline int SinkPercent() {
  const auto percents = SinkPercents();
  int loudest = -1;
  for (int p : percents) loudest = p > loudest ? p : loudest;
  return loudest;
}

// The program learns of another client's change from the server's change event; a user's next press
// comes long after it, so the tests leave it the same moment.
inline void SetSinkVolume(const std::string& volumes) {
  Run("pactl set-sink-volume @DEFAULT_SINK@ " + volumes);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

}  // namespace hush::test
