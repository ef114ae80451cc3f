// Hushdial: two global shortcuts that raise and lower the master volume by one step.
#include <cstdio>

#include "platform/native.h"
#include "volume/WinVersion.h"

int main() {
  hush::platform::NativePlatform native;
  const std::string version = hush::WinVersion::WindowsVersionText(native.platform.version);
  std::printf("Hushdial: %s; the main window is not built yet.\n", version.c_str());
  return 0;
}
