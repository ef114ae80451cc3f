// Real volume steps through SetVolume on this machine's default output, timed one by one.
// volume_step [--path core|mixer] [--up|--down] [--steps N]; without a direction the steps take turns
// up and down, so that every step changes the level. The level found is put back at the end.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/native.h"
#include "volume/VolumeSet.h"
#include "volume/WinVersion.h"

#ifndef _WIN32
#include <spawn.h>
#include <sys/wait.h>
extern char** environ;
#endif

namespace {

using Clock = std::chrono::steady_clock;

struct Stats {
  double median = 0;
  double p99 = 0;
};

Stats Summarise(std::vector<double> us) {
  Stats s;
  if (us.empty()) return s;
  std::sort(us.begin(), us.end());
  s.median = us[us.size() / 2];
  s.p99 = us[std::min(us.size() - 1, static_cast<std::size_t>(static_cast<double>(us.size()) * 0.99))];
  return s;
}

// The level as a 0..1 scalar through the endpoint service; -1 when it can't be read.
double ReadEndpointLevel(hush::platform::Platform& p) {
  using namespace hush::platform;
  try {
    if (auto enumerator = p.audio.CreateDeviceEnumerator()) {
      std::unique_ptr<IMMDevice> device;
      std::unique_ptr<IAudioEndpointVolume> volume;
      const PropVariantI2 params{kVtI2, 0};
      float level = 0;
      if (enumerator->GetDefaultAudioEndpoint(eRender, eMultimedia, &device) == kOk &&
          device->Activate(kIidAudioEndpointVolume, kClsctxInprocServer, &params, &volume) == kOk &&
          volume->GetMasterVolumeLevelScalar(&level) == kOk)
        return level;
    }
  } catch (...) {
  }
  return -1;
}

// The same through the mixer.
double ReadMixerLevel(hush::platform::Platform& p) {
  using namespace hush::platform;
  MixerHandle32 handle = 0;
  if (p.mixer.mixerOpen(&handle, 0, 0, 0, 0) != 0) return -1;
  MixerControl control{};
  double level = -1;
  if (hush::VolumeSet::FindMixerControl(p.mixer, handle, kMixerLineComponentTypeDstSpeakers, kMixerControlTypeVolume,
                                        control)) {
    std::uint32_t value = 0;
    MixerControlDetails details{24, control.dwControlID, 1, 0, 4, &value};
    p.mixer.mixerGetControlDetailsA(handle, &details, kMixerGetControlDetailsValue);
    level = control.lMaximum > control.lMinimum
                ? (static_cast<double>(value) - control.lMinimum) / (control.lMaximum - control.lMinimum)
                : 0;
  }
  p.mixer.mixerClose(handle);
  return level;
}

// The level read through the path that was stepped: the endpoint service's level may lag a mixer
// write until the sound server has reported it.
double ReadLevel(hush::platform::Platform& p, bool mixerPath) {
  return mixerPath ? ReadMixerLevel(p) : ReadEndpointLevel(p);
}

void WriteEndpointLevel(hush::platform::Platform& p, double level) {
  using namespace hush::platform;
  try {
    if (auto enumerator = p.audio.CreateDeviceEnumerator()) {
      std::unique_ptr<IMMDevice> device;
      std::unique_ptr<IAudioEndpointVolume> volume;
      const PropVariantI2 params{kVtI2, 0};
      if (enumerator->GetDefaultAudioEndpoint(eRender, eMultimedia, &device) == kOk &&
          device->Activate(kIidAudioEndpointVolume, kClsctxInprocServer, &params, &volume) == kOk)
        volume->SetMasterVolumeLevelScalar(static_cast<float>(level), nullptr);
    }
  } catch (...) {
  }
}

void WriteMixerLevel(hush::platform::Platform& p, double level) {
  using namespace hush::platform;
  MixerHandle32 handle = 0;
  if (p.mixer.mixerOpen(&handle, 0, 0, 0, 0) != 0) return;
  MixerControl control{};
  if (hush::VolumeSet::FindMixerControl(p.mixer, handle, kMixerLineComponentTypeDstSpeakers, kMixerControlTypeVolume,
                                        control)) {
    auto value = static_cast<std::int32_t>(control.lMinimum + level * (control.lMaximum - control.lMinimum) + 0.5);
    MixerControlDetails details{24, control.dwControlID, 1, 0, 4, &value};
    p.mixer.mixerSetControlDetails(handle, &details, kMixerSetControlDetailsValue);
  }
  p.mixer.mixerClose(handle);
}

// Puts the level found at the start back, through the same path it was read from.
void WriteLevel(hush::platform::Platform& p, bool mixerPath, double level) {
  if (level < 0) return;
  if (mixerPath) WriteMixerLevel(p, level);
  else WriteEndpointLevel(p, level);
}

#ifndef _WIN32
// What a Linux user would bind to a key instead: one pactl call per press.
bool TimePactl(int runs, std::vector<double>& us) {
  char arg0[] = "pactl", arg1[] = "set-sink-volume", arg2[] = "@DEFAULT_SINK@", arg3[] = "+1%";
  char* argv[] = {arg0, arg1, arg2, arg3, nullptr};
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, "pactl", nullptr, nullptr, argv, environ) != 0) return false;
    int status = 0;
    waitpid(pid, &status, 0);
    us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
  }
  return true;
}
#endif

}  // namespace

int main(int argc, char** argv) {
  std::string path;
  int direction = 0;  // 1 up, -1 down, 0 in turns
  int steps = 100;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--path" && i + 1 < argc) {
      path = argv[++i];
    } else if (a == "--up") {
      direction = 1;
    } else if (a == "--down") {
      direction = -1;
    } else if (a == "--steps" && i + 1 < argc) {
      steps = std::max(1, std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "usage: volume_step [--path core|mixer] [--up|--down] [--steps N]\n");
      return 2;
    }
  }

  hush::platform::NativePlatform native;
  hush::platform::Platform& p = native.platform;
  if (path.empty()) {
    hush::WinVersion::DetectWindowsVersion(p.version);
    path = hush::WinVersion::WindowsMajorVersion >= 6 ? "core" : "mixer";
  } else if (path == "core" || path == "mixer") {
    hush::WinVersion::WindowsMajorVersion = path == "core" ? 10 : 5;
  } else {
    std::fprintf(stderr, "--path takes core or mixer\n");
    return 2;
  }

  const bool mixerPath = path == "mixer";
  const double before = ReadLevel(p, mixerPath);
  std::vector<double> us;
  us.reserve(static_cast<std::size_t>(steps));
  for (int i = 0; i < steps; ++i) {
    const auto start = Clock::now();
    hush::VolumeSet::SetVolume(p, direction == 0 ? i % 2 == 0 : direction > 0);
    us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
  }
  const double after = ReadLevel(p, mixerPath);
  const Stats ours = Summarise(us);

#ifndef _WIN32
  std::vector<double> pactl;
  if (TimePactl(std::min(steps, 50), pactl)) {
    const Stats theirs = Summarise(pactl);
    std::printf("pactl runs=%zu median_us=%.0f p99_us=%.0f speedup=%.1f\n", pactl.size(), theirs.median, theirs.p99,
                ours.median > 0 ? theirs.median / ours.median : 0.0);
  } else {
    std::printf("pactl unavailable\n");
  }
#endif
  WriteLevel(p, mixerPath, before);
  std::printf("path=%s steps=%d median_us=%.0f p99_us=%.0f level_before=%.4f level_after=%.4f\n", path.c_str(), steps,
              ours.median, ours.p99, before, after);
  return 0;
}
