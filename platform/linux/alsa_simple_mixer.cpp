#include "platform/linux/alsa_simple_mixer.h"

#include <algorithm>
#include <cmath>

namespace hush::platform::linux_backend {

namespace {
// ALSA prints its own complaints on stderr for a missing card; Hushdial reports nothing there.
void Quiet(const char*, int, const char*, int, const char*, ...) {}
}  // namespace

std::unique_ptr<AlsaSimpleMixer> AlsaSimpleMixer::Open(const std::string& device) {
  snd_lib_error_set_handler(Quiet);
  std::unique_ptr<AlsaSimpleMixer> mixer(new AlsaSimpleMixer());
  mixer->device_ = device;
  if (snd_mixer_open(&mixer->handle_, 0) < 0) {
    mixer->handle_ = nullptr;
    return nullptr;
  }
  if (snd_mixer_attach(mixer->handle_, device.c_str()) < 0) return nullptr;
  if (snd_mixer_selem_register(mixer->handle_, nullptr, nullptr) < 0) return nullptr;
  if (snd_mixer_load(mixer->handle_) < 0) return nullptr;
  return mixer;
}

AlsaSimpleMixer::~AlsaSimpleMixer() {
  if (control_) snd_ctl_close(control_);
  if (handle_) snd_mixer_close(handle_);
}

snd_mixer_elem_t* AlsaSimpleMixer::FindPlaybackVolume(const char* name) const {
  snd_mixer_selem_id_t* id = nullptr;
  snd_mixer_selem_id_alloca(&id);
  snd_mixer_selem_id_set_index(id, 0);
  snd_mixer_selem_id_set_name(id, name);
  snd_mixer_elem_t* elem = snd_mixer_find_selem(handle_, id);
  if (elem && snd_mixer_selem_has_playback_volume(elem)) return elem;
  return nullptr;
}

bool AlsaSimpleMixer::Refresh() { return snd_mixer_handle_events(handle_) >= 0; }

long AlsaSimpleMixer::RawForLevel(long current, const Range& range, double level) {
  const double span = static_cast<double>(range.max - range.min);
  const long nearest = range.min + std::lround(std::clamp(level, 0.0, 1.0) * span);
  const double now = static_cast<double>(current - range.min) / span;
  constexpr double kSame = 1e-6;  // a float level read back and written unchanged
  if (nearest == current && level > now + kSame) return std::min(current + 1, range.max);
  if (nearest == current && level < now - kSame) return std::max(current - 1, range.min);
  return nearest;
}

unsigned int AlsaSimpleMixer::ControlChannels(const char* control) {
  // Asked once: through ALSA's pulse plugin the question is a server round trip.
  if (control_ && channelsOf_ == control) return channels_;
  if (!control_ && snd_ctl_open(&control_, device_.c_str(), 0) < 0) {
    control_ = nullptr;
    return 0;
  }
  snd_ctl_elem_info_t* info = nullptr;
  snd_ctl_elem_info_alloca(&info);
  snd_ctl_elem_info_set_interface(info, SND_CTL_ELEM_IFACE_MIXER);
  snd_ctl_elem_info_set_name(info, control);
  if (snd_ctl_elem_info(control_, info) < 0 || snd_ctl_elem_info_get_type(info) != SND_CTL_ELEM_TYPE_INTEGER)
    return 0;
  channelsOf_ = control;
  channels_ = snd_ctl_elem_info_get_count(info);
  return channels_;
}

unsigned int AlsaSimpleMixer::Address(const char* control, snd_ctl_elem_value_t* values) {
  const unsigned int channels = ControlChannels(control);
  snd_ctl_elem_value_set_interface(values, SND_CTL_ELEM_IFACE_MIXER);
  snd_ctl_elem_value_set_name(values, control);
  return channels;
}

bool AlsaSimpleMixer::ReadControl(const char* control, long* value) {
  snd_ctl_elem_value_t* values = nullptr;
  snd_ctl_elem_value_alloca(&values);
  const unsigned int channels = Address(control, values);
  if (channels == 0 || snd_ctl_elem_read(control_, values) < 0) return false;
  long loudest = snd_ctl_elem_value_get_integer(values, 0);
  for (unsigned int ch = 1; ch < channels; ++ch) loudest = std::max(loudest, snd_ctl_elem_value_get_integer(values, ch));
  *value = loudest;
  return true;
}

bool AlsaSimpleMixer::WriteControlAll(const char* control, long value) {
  snd_ctl_elem_value_t* values = nullptr;
  snd_ctl_elem_value_alloca(&values);
  const unsigned int channels = Address(control, values);
  if (channels == 0) return false;
  for (unsigned int ch = 0; ch < channels; ++ch) snd_ctl_elem_value_set_integer(values, ch, value);
  return snd_ctl_elem_write(control_, values) >= 0;
}

bool AlsaSimpleMixer::PlaybackRange(snd_mixer_elem_t* elem, Range* range) {
  return snd_mixer_selem_get_playback_volume_range(elem, &range->min, &range->max) >= 0 && range->max > range->min;
}

bool AlsaSimpleMixer::ReadPlayback(snd_mixer_elem_t* elem, long* value) {
  bool any = false;
  long loudest = 0;
  for (int ch = 0; ch <= SND_MIXER_SCHN_LAST; ++ch) {
    const auto channel = static_cast<snd_mixer_selem_channel_id_t>(ch);
    if (!snd_mixer_selem_has_playback_channel(elem, channel)) continue;
    long v = 0;
    if (snd_mixer_selem_get_playback_volume(elem, channel, &v) < 0) continue;
    if (!any || v > loudest) loudest = v;
    any = true;
  }
  if (any) *value = loudest;
  return any;
}

bool AlsaSimpleMixer::WritePlaybackAll(snd_mixer_elem_t* elem, long value) {
  return snd_mixer_selem_set_playback_volume_all(elem, value) >= 0;
}

}  // namespace hush::platform::linux_backend
