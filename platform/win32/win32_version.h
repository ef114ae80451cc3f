#pragma once
#include "platform/version.h"

namespace hush::platform::win32 {

// RtlGetVersion, looked up in ntdll; its absence is a failure for the caller.
class Win32Version : public IVersionQuery {
 public:
  std::int32_t RtlGetVersion(OsVersionInfoExW* info) override;
};

}  // namespace hush::platform::win32
