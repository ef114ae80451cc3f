#pragma once
#include <memory>
#include <string>

#include "platform/core_audio.h"

namespace hush::platform::linux_backend {

// The default ALSA card's Master element as a render endpoint, for systems without a sound server.
// Null when the card has no Master playback volume.
std::unique_ptr<IMMDevice> AlsaDefaultEndpoint(const std::string& device);

}  // namespace hush::platform::linux_backend
