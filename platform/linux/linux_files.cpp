#include "platform/linux/linux_files.h"

#include <filesystem>
#include <system_error>

namespace hush::platform::linux_backend {

namespace {
std::filesystem::path Self() {
  std::error_code error;
  const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : path;
}
}  // namespace

std::string LinuxFiles::ProgramFolder() {
  const auto self = Self();
  return self.empty() ? std::string() : self.parent_path().string();
}

std::string LinuxFiles::ProgramFileName() { return Self().filename().string(); }

}  // namespace hush::platform::linux_backend
