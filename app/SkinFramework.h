#pragma once
#include <cstdint>
#include <string>

#include "platform/files.h"
#include "platform/window_system.h"

namespace hush {

// The window's skinning component. There is no skin engine behind it: it takes the calls a skinned
// start-up makes, checks that the skin file is there, and draws nothing; the window keeps its look.
class SkinFramework {
 public:
  explicit SkinFramework(platform::IFileSystem& files) : files_(files) {}
  // Load the skin (call 2): fails when the file can't be read.
  void LoadSkin(const std::string& path, const std::string& iniFile);
  // Option flags (property 1).
  std::int32_t Options() const { return options_; }
  void SetOptions(std::int32_t options) { options_ = options; }
  // Properties 5 and 10, both switched on by a skinned start-up.
  void SetProperty5(bool value) { property5_ = value; }
  void SetProperty10(bool value) { property10_ = value; }
  // Apply the skin to a window (call 3).
  void ApplyWindow(platform::WindowHandle window);

  const std::string& SkinPath() const { return path_; }
  bool Property5() const { return property5_; }
  bool Property10() const { return property10_; }
  platform::WindowHandle AppliedTo() const { return applied_; }

 private:
  platform::IFileSystem& files_;
  std::string path_;
  std::int32_t options_ = 0;
  bool property5_ = false;
  bool property10_ = false;
  platform::WindowHandle applied_ = 0;
};

}  // namespace hush
