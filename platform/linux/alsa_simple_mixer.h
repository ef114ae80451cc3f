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
  // Picks up changes made by others since the mixer was loaded; false when the card or the sound
  // server behind it went away.
  bool Refresh();
  // The named control (for example "Master Playback Volume") read and written through the control
  // interface: always the card's or server's value of now, without the simple mixer's event pass
  // (through ALSA's pulse plugin that pass costs a server round trip per control), and a write takes
  // what a sound server accepts beyond the element's range. Read gives the loudest channel.
  bool ReadControl(const char* control, long* value);
  bool WriteControlAll(const char* control, long value);

  struct Range {
    long min = 0;
    long max = 0;
  };
  static bool PlaybackRange(snd_mixer_elem_t* elem, Range* range);
  // The loudest channel's raw volume.
  static bool ReadPlayback(snd_mixer_elem_t* elem, long* value);
  static bool WritePlaybackAll(snd_mixer_elem_t* elem, long value);
  // The raw value for a 0..1 level asked of an element now at `current`: the nearest one, but at
  // least one unit on from `current` toward the level, so that a 0.01 step on a control of few
  // positions (a Master of 0..31) does not round back to where it was.
  static long RawForLevel(long current, const Range& range, double level);

 private:
  AlsaSimpleMixer() = default;
  // The channels of an integer control, opening the control interface on first use; 0 if none.
  unsigned int ControlChannels(const char* control);
  // Points a value record at the named control; its channels, 0 when there is no such control.
  unsigned int Address(const char* control, snd_ctl_elem_value_t* values);
  std::string device_;
  snd_mixer_t* handle_ = nullptr;
  snd_ctl_t* control_ = nullptr;
  std::string channelsOf_;
  unsigned int channels_ = 0;
};

}  // namespace hush::platform::linux_backend
