#include "app/CommandLine.h"

#include <cstring>
#include <memory>
#include <string_view>

#include "hushdial_config.h"
#include "volume/VolumeSet.h"
#include "volume/WinVersion.h"

namespace hush::CommandLine {

namespace {

// The window toolkit's own options, which it takes with one dash or two, some followed by a value
// (also given as -option=value).
bool ToolkitOption(std::string_view arg, bool& takesValue) {
  static constexpr std::string_view kWithValue[] = {"platform", "platformpluginpath", "platformtheme", "plugin",
                                                    "qwindowgeometry", "geometry", "qwindowicon", "icon",
                                                    "qwindowtitle", "title", "display", "style", "stylesheet",
                                                    "session", "name", "visual", "qmljsdebugger"};
  static constexpr std::string_view kFlags[] = {"reverse", "widgetcount", "nograb", "dograb", "sync", "testability"};
  if (arg.substr(0, 2) == "--") arg.remove_prefix(2);
  else arg.remove_prefix(1);
  const std::size_t equals = arg.find('=');
  const std::string_view name = arg.substr(0, equals);
  for (std::string_view option : kWithValue) {
    if (name == option) {
      takesValue = equals == std::string_view::npos;
      return true;
    }
  }
  takesValue = false;
  for (std::string_view option : kFlags)
    if (arg == option) return true;
  return false;
}

}  // namespace

Parsed Parse(int argc, const char* const* argv) {
  Parsed parsed;
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    Action found = Action::Window;
    bool takesValue = false;
    if (std::strcmp(arg, "--raise") == 0) found = Action::Raise;
    else if (std::strcmp(arg, "--lower") == 0) found = Action::Lower;
    else if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) found = Action::Help;
    else if (std::strcmp(arg, "--version") == 0) found = Action::Version;
    else {
      const bool option = arg[0] == '-' && arg[1] != '\0';
      if (option && ToolkitOption(arg, takesValue)) {
        if (takesValue) ++i;
        continue;
      }
      // A mistyped option in a shortcut the user wrote must not open a second window with shortcuts
      // of its own: it is said, and nothing else is done.
      parsed.action = Action::Wrong;
      parsed.problem = std::string(option ? "unknown option " : "unexpected argument ") + arg;
      return parsed;
    }
    if (parsed.action != Action::Window && parsed.action != found) {
      parsed.action = Action::Wrong;
      parsed.problem = "give one of --raise, --lower, --help and --version, not several";
      return parsed;
    }
    parsed.action = found;
  }
  return parsed;
}

std::string HelpText() {
  return "Usage: hushdial [--raise | --lower | --help | --version]\n"
         "Two global shortcuts, Ctrl+Shift+letter, that raise and lower the master volume by one step.\n"
         "Without an option it opens its window and holds the shortcuts until it is closed.\n"
         "\n"
         "  --raise    raise the master volume by one step, as the increase shortcut does, and end\n"
         "  --lower    lower it by one step, as the decrease shortcut does, and end\n"
         "  --help     show this text and end\n"
         "  --version  show the version and end\n";
}

std::string VersionText() { return std::string("Hushdial ") + config::kVersion + "\n"; }

int LineBox::MessageBoxA(const std::string& text, const std::string& caption, unsigned) {
  if (!line_.empty()) return 1;  // the first failure says what went wrong
  std::string flat;
  for (char c : caption + ": " + text) {
    if (c == '\r') continue;
    if (c == '\n') {
      if (!flat.empty() && flat.back() != ' ') flat += ' ';
    } else {
      flat += c;
    }
  }
  line_ = flat;
  return 1;
}

namespace {

// Whether the path the step takes has anything to step: a default output for the endpoint path, a
// volume control for the mixer path. A shortcut without one does nothing; a command must say so.
bool OutputPresent(platform::ICoreAudio& audio, platform::IMixer& mixer) {
  using namespace platform;
  try {
    if (WinVersion::WindowsMajorVersion >= 6) {
      auto enumerator = audio.CreateDeviceEnumerator();
      std::unique_ptr<IMMDevice> device;
      return enumerator && enumerator->GetDefaultAudioEndpoint(eRender, eMultimedia, &device) == kOk && device;
    }
    MixerHandle32 handle = 0;
    if (mixer.mixerOpen(&handle, 0, 0, 0, 0) != 0) return false;
    MixerControl control{};
    const bool found = VolumeSet::FindMixerControl(mixer, handle, kMixerLineComponentTypeDstSpeakers,
                                                   kMixerControlTypeVolume, control);
    mixer.mixerClose(handle);
    return found;
  } catch (...) {
    return false;
  }
}

}  // namespace

int Step(LineBox& box, platform::ICoreAudio& audio, platform::IMixer& mixer, platform::IVersionQuery& version,
         bool up, std::string& message) {
  WinVersion::DetectWindowsVersion(version);
  if (!OutputPresent(audio, mixer)) {
    message = "no sound server answers and no sound card has a volume control; nothing was stepped";
    return 1;
  }
  VolumeSet::SetVolume(platform::SoundServices(box, audio, mixer), up);
  if (!box.Line().empty()) {
    message = box.Line();
    return 1;
  }
  return 0;
}

}  // namespace hush::CommandLine
