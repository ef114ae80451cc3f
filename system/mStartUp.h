#pragma once
#include "platform/platform.h"

namespace hush::mStartUp {

// Writes (or brings up to date) the start-up entry for the running program's own file.
void AddToStartUp(platform::Platform& platform);
void RemoveFromStartUp(platform::Platform& platform);

}  // namespace hush::mStartUp
