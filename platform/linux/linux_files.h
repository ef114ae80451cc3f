#pragma once
#include "platform/files.h"

namespace hush::platform::linux_backend {

class LinuxFiles : public IFileSystem {
 public:
  std::string ProgramFolder() override;
  std::string ProgramFileName() override;
  char PathSeparator() override { return '/'; }
};

}  // namespace hush::platform::linux_backend
