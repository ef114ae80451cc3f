#include "platform/linux/alsa_simple_mixer.h"

namespace hush::platform::linux_backend {

namespace {
// ALSA prints its own complaints on stderr for a missing card; Hushdial reports nothing there.
void Quiet(const char*, int, const char*, int, const char*, ...) {}
}  // namespace

std::unique_ptr<AlsaSimpleMixer> AlsaSimpleMixer::Open(const std::string& device) {
  snd_lib_error_set_handler(Quiet);
  std::unique_ptr<AlsaSimpleMixer> mixer(new AlsaSimpleMixer());
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

void AlsaSimpleMixer::Refresh() { snd_mixer_handle_events(handle_); }

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
