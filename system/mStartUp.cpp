#include "system/mStartUp.h"

#include "system/RegStuff.h"

namespace hush::mStartUp {

// The entry names the running program itself: another program lying in the same folder (an
// installer, an uninstaller) must never be started at logon.
void AddToStartUp(platform::Platform& platform) {
  const std::string name = platform.files.ProgramFileName();
  if (name.empty()) return;
  RegStuff::AddRunValue(platform, name);
}

void RemoveFromStartUp(platform::Platform& platform) {
  const std::string name = platform.files.ProgramFileName();
  if (name.empty()) return;
  RegStuff::DeleteRunValue(platform, name);
}

}  // namespace hush::mStartUp
