#pragma once
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
};

}  // namespace hush::platform
