#pragma once
#include <cstdint>
#include <string>

#include "platform/version.h"

namespace hush::WinVersion {

// 0 until detection has run; the volume step takes the endpoint path from 6 on.
extern std::int16_t WindowsMajorVersion;

void DetectWindowsVersion(platform::IVersionQuery& query);
std::string WindowsVersionText(platform::IVersionQuery& query);
std::string WindowsProductName(const platform::OsVersionInfoExW& info);
std::string ServicePackText(const platform::OsVersionInfoExW& info);
std::string VersionNumberText(const platform::OsVersionInfoExW& info);
bool IsServerProduct(const platform::OsVersionInfoExW& info);

}  // namespace hush::WinVersion
