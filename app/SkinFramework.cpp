#include "app/SkinFramework.h"

namespace hush {

void SkinFramework::LoadSkin(const std::string& path, const std::string&) {
  files_.FileDateTime(path);  // a failure here is the load's failure
  path_ = path;
}

void SkinFramework::ApplyWindow(platform::WindowHandle window) { applied_ = window; }

}  // namespace hush
