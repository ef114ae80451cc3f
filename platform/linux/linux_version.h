#pragma once
#include <string>

#include "platform/version.h"

namespace hush::platform::linux_backend {

// The version query from uname(): the kernel release as major.minor.build, a workstation, no
// service pack, so kernels from 6 on take the endpoint path.
class UnameVersion : public IVersionQuery {
 public:
  std::int32_t RtlGetVersion(OsVersionInfoExW* info) override;
  // Fills the record from a release text such as "6.1.0-18-amd64"; false when it has no number.
  static bool FromRelease(const std::string& release, OsVersionInfoExW* info);
};

}  // namespace hush::platform::linux_backend
