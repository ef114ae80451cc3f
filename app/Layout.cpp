#include "app/Layout.h"

#include <cstring>

namespace hush::Layout {

namespace {
using platform::ControlKind;
using platform::kColorButtonFace;
using platform::kColorWindowBackground;
using platform::kColorWindowText;

// The start-up option names the system the program runs on; its setting keeps the name
// "Windows Startup" everywhere, as stored settings rely on it.
#ifdef _WIN32
constexpr const char* kStartupCaption = "Load this software on Windows startup";
#else
constexpr const char* kStartupCaption = "Load this software on startup";
#endif
}  // namespace

const platform::FontStyle& WindowFont() {
  static const platform::FontStyle font{"Arial", 9, true};
  return font;
}

const platform::FontStyle& ButtonFont() {
  static const platform::FontStyle font{"Arial", 11.25, true};
  return font;
}

const std::vector<Entry>& Controls() {
  static const std::vector<Entry> entries = {
      {"Label1", ControlKind::Label, nullptr, "", 120, 120, 7800, 525, WindowFont(), 5, kColorButtonFace,
       kColorWindowText},
      {"PushButton1", ControlKind::PushButton, nullptr, "Help", 120, 760, 7800, 405, ButtonFont(), 1,
       kColorButtonFace, kColorWindowText},
      {"Frame1", ControlKind::Frame, nullptr, "Hold These Shortcuts", 120, 1230, 7800, 1320, WindowFont(), 2, kWhite,
       kColorWindowText},
      {"Label2", ControlKind::Label, "Frame1", "Increase:", 210, 345, 1320, 255, WindowFont(), 9,
       kColorWindowBackground, kColorWindowText},
      {"Combo1", ControlKind::ComboBox, "Frame1", "", 1800, 300, 5640, 345, WindowFont(), 3, kColorWindowBackground,
       kColorWindowText},
      {"Label3", ControlKind::Label, "Frame1", "Decrease:", 210, 845, 1380, 255, WindowFont(), 10,
       kColorWindowBackground, kColorWindowText},
      {"Combo2", ControlKind::ComboBox, "Frame1", "", 1800, 800, 5640, 345, WindowFont(), 4, kColorWindowBackground,
       kColorWindowText},
      {"Frame2", ControlKind::Frame, nullptr, "Manual Increase / Decrease Without Shortcut (Testing)", 120, 2610, 7800,
       900, WindowFont(), 11, kWhite, kColorWindowText},
      {"PushButton2", ControlKind::PushButton, "Frame2", "Increase Volume", 240, 300, 3120, 405, ButtonFont(), 12,
       kColorButtonFace, kColorWindowText},
      {"PushButton3", ControlKind::PushButton, "Frame2", "Decrease Volume ", 3480, 300, 3120, 405, ButtonFont(), 13,
       kColorButtonFace, kColorWindowText},
      {"PushButton4", ControlKind::PushButton, "Frame2", "?", 6720, 300, 840, 405, ButtonFont(), 14, kColorButtonFace,
       kColorWindowText},
      {"Frame3", ControlKind::Frame, nullptr, "Startup Options", 120, 3570, 7800, 735, WindowFont(), 6, kWhite,
       kColorWindowText},
      {"Check4", ControlKind::CheckBox, "Frame3", kStartupCaption, 240, 300, 3810, 285,
       WindowFont(), 7, kWhite, kColorWindowText},
      {"Check8", ControlKind::CheckBox, "Frame3", "Start in system tray", 4200, 300, 2100, 285, WindowFont(), 8, kWhite,
       kColorWindowText},
      // Below the client area, so never seen; first in the tab order, so it has the focus at first.
      {"Text2", ControlKind::TextBox, nullptr, "Text2", 120, 6300, 1215, 690, WindowFont(), 0, kColorWindowBackground,
       kColorWindowText},
  };
  return entries;
}

int IndexOf(const char* name) {
  const auto& entries = Controls();
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (std::strcmp(entries[i].name, name) == 0) return static_cast<int>(i);
  return -1;
}

}  // namespace hush::Layout
