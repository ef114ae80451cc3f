#pragma once
#include <string>

namespace hush::platform {

// Per-user string settings addressed by application, section and key.
class ISettingsStore {
 public:
  virtual ~ISettingsStore() = default;
  virtual std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                                 const std::string& fallback) = 0;
  // Creates or replaces; failures are not reported.
  virtual void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                           const std::string& value) = 0;
};

}  // namespace hush::platform
