#pragma once
#include <filesystem>
#include <map>

#include "platform/registry.h"

namespace hush::platform::linux_backend {

// The registry's stand-in on Linux. Its Run keys are the XDG autostart folders: machine-wide the
// first of $XDG_CONFIG_DIRS (default /etc/xdg) + /autostart, per-user $XDG_CONFIG_HOME/autostart.
// A value "name" is the Desktop Entry "name.desktop" whose Exec runs the value's data. Other keys
// do not exist here, so writes to them change nothing, as on Windows.
class XdgRegistry : public IRegistry {
 public:
  RegStatus RegOpenKeyExA(RegKey32 root, const std::string& path, std::uint32_t options, std::uint32_t access,
                          RegKey32* handle) override;
  RegStatus RegSetValueExA(RegKey32 key, const std::string& name, std::uint32_t reserved, std::uint32_t type,
                           const std::uint8_t* data, std::uint32_t size) override;
  RegStatus RegDeleteValueA(RegKey32 key, const std::string& name) override;
  RegStatus RegQueryValueExA(RegKey32 key, const std::string& name, std::uint32_t* type, std::string* data) override;
  RegStatus RegCloseKey(RegKey32 key) override;

  static std::filesystem::path MachineAutostart();
  static std::filesystem::path UserAutostart();
  // The Desktop Entry for a Run value's data (a command line, the program quoted when it has blanks).
  static std::string DesktopEntry(const std::string& name, const std::string& command);
  // One argument quoted for Exec, then escaped as a Desktop Entry string.
  static std::string ExecArgument(const std::string& argument);

 private:
  std::map<RegKey32, std::filesystem::path> open_;
  RegKey32 next_ = 0;
};

}  // namespace hush::platform::linux_backend
