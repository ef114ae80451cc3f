#include "platform/linux/linux_files.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "platform/failure.h"

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

std::int64_t LinuxFiles::FileDateTime(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) throw Failure("File not found");
  return static_cast<std::int64_t>(info.st_mtime);
}

std::string LinuxFiles::Dir(const std::string& path) {
  // Taken literally: no pattern matching, and only a regular file counts.
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error) || error) return "";
  return std::filesystem::path(path).filename().string();
}

}  // namespace hush::platform::linux_backend
