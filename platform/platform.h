#pragma once
#include "platform/core_audio.h"
#include "platform/message_box.h"
#include "platform/mixer.h"
#include "platform/version.h"

namespace hush::platform {

// Every service the product reaches, wired once by main (or by a test) and passed down.
struct Platform {
  IMessageBox& box;
  ICoreAudio& audio;
  IMixer& mixer;
  IVersionQuery& version;
};

}  // namespace hush::platform
