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

// What a step of the volume reaches, and no more: a step from the command line starts with these
// alone, without the window toolkit.
struct SoundServices {
  SoundServices(IMessageBox& b, ICoreAudio& a, IMixer& m) : box(b), audio(a), mixer(m) {}
  SoundServices(Platform& p) : box(p.box), audio(p.audio), mixer(p.mixer) {}  // NOLINT: every platform has them
  IMessageBox& box;
  ICoreAudio& audio;
  IMixer& mixer;
};

}  // namespace hush::platform
