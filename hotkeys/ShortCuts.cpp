#include "hotkeys/ShortCuts.h"

#include <cstring>

#include "core/ErrorReport.h"
#include "platform/failure.h"
#include "volume/VolumeSet.h"

namespace hush::ShortCuts {

bool StopProcessing = false;
std::int32_t IncreaseHotkeyId = 0;
std::int32_t DecreaseHotkeyId = 0;

std::uint32_t KeyCode(const std::string& keyText) {
  const std::size_t prefix = std::strlen(kKeyPrefix);
  if (keyText.size() <= prefix) throw platform::Failure("Invalid procedure call or argument");
  return static_cast<unsigned char>(keyText[prefix]);
}

void ProcessMessages(platform::Platform& platform, const std::function<platform::WindowHandle()>& mainWindow) {
  ErrorReport report(platform.box, ErrorReport::LocationText("ShortCuts", "ProcessMessages"));
  platform::Msg msg{};  // kept across passes: a failed peek leaves the last message taken
  for (;;) {
    bool stop = false;
    report.Line(100, [&] { stop = StopProcessing; });
    if (stop) return;
    report.Line(102, [&] { platform.messages.WaitMessage(); });
    bool taken = true;  // a failing peek goes on with the comparison
    report.Line(104, [&] {
      taken = platform.messages.PeekMessageA(&msg, mainWindow(), platform::kWmHotkey, platform::kWmHotkey,
                                             platform::kPmRemove);
    });
    if (taken) {
      const auto id = static_cast<std::intptr_t>(msg.wParam);
      if (report.Test(106, [&] { return id == IncreaseHotkeyId; })) {
        report.Line(108, [&] { VolumeSet::SetVolume(platform, true); });
      } else if (report.Test(110, [&] { return id == DecreaseHotkeyId; })) {
        report.Line(112, [&] { VolumeSet::SetVolume(platform, false); });
      }
    }
    report.Line(114, [&] { platform.messages.DoEvents(); });
  }
}

}  // namespace hush::ShortCuts
