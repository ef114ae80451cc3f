#pragma once
// A PulseAudio server of a test's own, on a private socket, that the test may stop and start again.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/pactl.h"

extern char** environ;

namespace hush::test {

class PulseServer {
 public:
  // dir: an empty private folder; the socket is dir/pulse.sock.
  explicit PulseServer(std::string dir) : dir_(std::move(dir)) {}
  ~PulseServer() { Stop(); }
  std::string Address() const { return "unix:" + dir_ + "/pulse.sock"; }

  bool Start() {
    const std::string home = "HOME=" + dir_, runtime = "XDG_RUNTIME_DIR=" + dir_;
    std::vector<std::string> env = {home, runtime, "PATH=/usr/bin:/bin"};
    std::vector<std::string> args = {"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                                     "--log-target=file:" + dir_ + "/pulse.log",
                                     "--load=module-native-protocol-unix auth-anonymous=1 socket=" + dir_ + "/pulse.sock",
                                     "--load=module-null-sink sink_name=hushdial_own channels=2"};
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    for (auto& e : env) envp.push_back(e.data());
    argv.push_back(nullptr);
    envp.push_back(nullptr);
    if (posix_spawnp(&pid_, "pulseaudio", nullptr, nullptr, argv.data(), envp.data()) != 0) return false;
    for (int i = 0; i < 100; ++i) {
      if (Pactl("info").find("Server Name") != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }
  void Stop() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
  }
  std::string Pactl(const std::string& args) const {
    std::string out;
    if (FILE* pipe = popen(("PULSE_SERVER=" + Address() + " pactl " + args + " 2>&1").c_str(), "r")) {
      char buffer[512];
      while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
      pclose(pipe);
    }
    return out;
  }
  // The first channel's percent of the default sink, or -1.
  int Percent() const {
    const std::vector<int> percents = PercentsIn(Pactl("get-sink-volume @DEFAULT_SINK@"));
    return percents.empty() ? -1 : percents[0];
  }

 private:
  std::string dir_;
  pid_t pid_ = -1;
};

}  // namespace hush::test
