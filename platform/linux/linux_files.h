#pragma once
#include "platform/files.h"

namespace hush::platform::linux_backend {

class LinuxFiles : public IFileSystem {
 public:
  std::string ProgramFolder() override;
  std::string ProgramFileName() override;
  char PathSeparator() override { return '/'; }
  std::int64_t FileDateTime(const std::string& path) override;
  std::string Dir(const std::string& path) override;
};

}  // namespace hush::platform::linux_backend
