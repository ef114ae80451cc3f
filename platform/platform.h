#pragma once
#include "platform/clock.h"
#include "platform/codepage.h"
#include "platform/core_audio.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/mixer.h"
#include "platform/registry.h"
#include "platform/picture.h"
#include "platform/settings.h"
#include "platform/tray.h"
#include "platform/version.h"
#include "platform/window_system.h"

namespace hush::platform {

// Every service the product reaches, wired once by main (or by a test) and passed down.
struct Platform {
  IMessageBox& box;
  ICoreAudio& audio;
  IMixer& mixer;
  IVersionQuery& version;
  IAtomTable& atoms;
  IHotkeys& hotkeys;
  IMessageLoop& messages;
  ITimerService& timer;
  IMainWindow& window;
  ISettingsStore& settings;
  IRegistry& registry;
  IFileSystem& files;
  ITray& tray;
  IClock& clock;
  ICodePage& codepage;
  IPictures& pictures;
};

}  // namespace hush::platform
