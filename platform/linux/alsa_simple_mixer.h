#pragma once
// A small RAII wrapper of ALSA's simple mixer, shared by the endpoint fallback and the mixer service.
#include <alsa/asoundlib.h>

#include <memory>
#include <string>

namespace hush::platform::linux_backend {

class AlsaSimpleMixer {
 public:
  // Opens and loads the mixer of a control device ("default", "sysdefault", "hw:0"); null on failure.
  static std::unique_ptr<AlsaSimpleMixer> Open(const std::string& device);
  ~AlsaSimpleMixer();
  AlsaSimpleMixer(const AlsaSimpleMixer&) = delete;
  AlsaSimpleMixer& operator=(const AlsaSimpleMixer&) = delete;

  // The named playback element with a volume, or null.
  snd_mixer_elem_t* FindPlaybackVolume(const char* name) const;
  // Picks up changes made by others since the mixer was loaded.
  void Refresh();

  struct Range {
    long min = 0;
    long max = 0;
  };
  static bool PlaybackRange(snd_mixer_elem_t* elem, Range* range);
  // The loudest channel's raw volume.
  static bool ReadPlayback(snd_mixer_elem_t* elem, long* value);
  static bool WritePlaybackAll(snd_mixer_elem_t* elem, long value);

 private:
  AlsaSimpleMixer() = default;
  snd_mixer_t* handle_ = nullptr;
};

}  // namespace hush::platform::linux_backend
