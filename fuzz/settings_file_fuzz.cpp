// Any bytes as the settings file: reading never fails, and a choice written into the text is the
// one read back, with every other group's entries as they were.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/Form1.h"
#include "platform/linux/ini_settings.h"

using hush::platform::linux_backend::IniSettings;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string section = hush::kProductName;
  for (const char* key : {"Combo1", "Combo2", "Windows Startup", "Minimized"}) {
    std::string before;
    IniSettings::Lookup(text, section, key, &before);
    const std::string written = IniSettings::WithValue(text, section, key, "12");
    std::string after;
    if (!IniSettings::Lookup(written, section, key, &after) || after != "12") std::abort();
    std::string other, otherAfter;
    const bool had = IniSettings::Lookup(text, "Other", key, &other);
    if (had != IniSettings::Lookup(written, "Other", key, &otherAfter) || other != otherAfter) std::abort();
  }
  return 0;
}
