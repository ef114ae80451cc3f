#pragma once
#include <cstdint>
#include <string>

namespace hush::platform {

class IFileSystem {
 public:
  virtual ~IFileSystem() = default;
  // The folder of the running program's file, without a trailing separator except for a root.
  virtual std::string ProgramFolder() = 0;
  // The running program's own file name, without its folder.
  virtual std::string ProgramFileName() = 0;
  virtual char PathSeparator() = 0;
  // The file's last modification time (seconds since 1970); a failure when it can't be read.
  virtual std::int64_t FileDateTime(const std::string& path) = 0;
  // The name (without folder) of the normal file at the path, or "" when there is none; the path is
  // taken literally, and a folder of that name does not count.
  virtual std::string Dir(const std::string& path) = 0;
};

}  // namespace hush::platform
