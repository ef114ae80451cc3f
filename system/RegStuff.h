#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <variant>

#include "platform/platform.h"

namespace hush::RegStuff {

// A scalar written to the registry: text or a number.
using RegValue = std::variant<std::string, std::int64_t, double>;

inline constexpr const char* kRunKey = "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN\\";

void DeleteRegistryValue(platform::IRegistry& registry, platform::RegKey32& root, const std::string& keyPath,
                         const std::string& valueName);
// A REG_SZ value's text, or nothing when the key or value can't be read.
std::optional<std::string> ReadKeyText(platform::IRegistry& registry, platform::RegKey32& root,
                                       const std::string& keyPath, const std::string& valueName);
// The write's status; 0 without a platform call when the type is neither REG_SZ nor REG_DWORD.
// A REG_DWORD value that is not a number in the 32-bit range is a failure for the caller.
platform::RegStatus WriteTypedValue(platform::IRegistry& registry, platform::RegKey32 key,
                                    const std::string& valueName, std::uint32_t type, const RegValue& value);
// Open, write, close. The status says whether the value landed (the open's failure or the write's).
platform::RegStatus WriteKeyValue(platform::IRegistry& registry, platform::RegKey32& root, const std::string& keyPath,
                                  const std::string& valueName, const RegValue& value, std::uint32_t type);

// The start-up entry under the Run key: machine-wide, or per-user where the machine-wide key can't be
// written and holds no entry for this program; never both.
void AddRunValue(platform::Platform& platform, const std::string& valueName);
// Removes the entry from both Run keys.
void DeleteRunValue(platform::Platform& platform, const std::string& valueName);

// The Run key's data for a program path: quoted when it holds a blank, so that Windows does not
// resolve it piece by piece.
std::string RunCommand(const std::string& programPath);

}  // namespace hush::RegStuff
