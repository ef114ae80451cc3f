#pragma once
#include <cstdint>

#include "platform/platform.h"

namespace hush::VolumeSet {

// Kept between steps only because the mixer path's records live here; every step fills both anew.
extern platform::MixerHandle32 MixerHandle;
extern platform::MixerControl SpeakerVolumeControl;

inline constexpr double kLevelStep = 0.01;
inline constexpr std::int32_t kMixerStep = 1024;

// One step of the master volume, by the path the detected version calls for.
void SetVolume(platform::SoundServices platform, bool up);
// Endpoint path (major version 6 and later).
void SetVolumeNew(platform::SoundServices platform, bool up);
// Mixer path (older systems, or when detection has not run).
void SetVolumeOld(platform::SoundServices platform, bool up);

bool FindMixerControl(platform::IMixer& mixer, platform::MixerHandle32 handle, std::uint32_t componentType,
                      std::uint32_t controlType, platform::MixerControl& record);
std::int32_t CurrentVolumePercent(platform::IMixer& mixer);
std::int32_t ReadControlPercent(platform::IMixer& mixer, platform::MixerHandle32 handle,
                                const platform::MixerControl& record);
bool WriteControlValue(platform::IMixer& mixer, platform::MixerHandle32 handle, const platform::MixerControl& record,
                       std::int32_t value);

// Rounds to the nearest 32-bit integer, halves to even; a value outside the range is an overflow failure.
std::int32_t RoundToInt32(double value);
// The level the endpoint path writes: one step from the level read, kept within 0.0 to 1.0.
float NextLevel(float level, bool up);
// The value the mixer path writes for a percent read: one step, kept within the control's bounds.
std::int32_t NextMixerValue(std::int32_t percent, bool up, const platform::MixerControl& control);

}  // namespace hush::VolumeSet
