#pragma once
#include <filesystem>

#include "platform/settings.h"

namespace hush::platform::linux_backend {

// Settings in $XDG_CONFIG_HOME/<app>/<app>.ini (default ~/.config), one group per section, written
// to disk on every change. A hand-edited file is read as written: comments, other groups and keys
// stay as they are, blanks around keys and values are ignored.
class IniSettings : public ISettingsStore {
 public:
  // configHome empty: taken from the environment.
  explicit IniSettings(std::filesystem::path configHome = {});
  std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                         const std::string& fallback) override;
  void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                   const std::string& value) override;
  std::filesystem::path FileFor(const std::string& app) const;

  // The file's text with the key set; exposed for tests.
  static std::string WithValue(const std::string& text, const std::string& section, const std::string& key,
                               const std::string& value);
  static bool Lookup(const std::string& text, const std::string& section, const std::string& key, std::string* value);

 private:
  std::filesystem::path configHome_;
};

// $XDG_CONFIG_HOME, or ~/.config.
std::filesystem::path ConfigHome();

}  // namespace hush::platform::linux_backend
