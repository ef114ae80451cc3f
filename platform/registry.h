#pragma once
#include <cstdint>
#include <string>

namespace hush::platform {

using RegKey32 = std::uint32_t;
using RegStatus = std::int32_t;

inline constexpr RegKey32 kHkeyCurrentUser = 0x80000001u;
inline constexpr RegKey32 kHkeyLocalMachine = 0x80000002u;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kKeyAccess3F = 0x3F;
inline constexpr std::uint32_t kKeyQueryValue = 0x1;
inline constexpr RegStatus kErrorSuccess = 0;
inline constexpr RegStatus kErrorFileNotFound = 2;
inline constexpr RegStatus kErrorAccessDenied = 5;
inline constexpr RegStatus kErrorInvalidHandle = 6;
inline constexpr RegStatus kErrorInvalidParameter = 87;

class IRegistry {
 public:
  virtual ~IRegistry() = default;
  // Opens an existing key; the handle is set only on success.
  virtual RegStatus RegOpenKeyExA(RegKey32 root, const std::string& path, std::uint32_t options,
                                  std::uint32_t access, RegKey32* handle) = 0;
  virtual RegStatus RegSetValueExA(RegKey32 key, const std::string& name, std::uint32_t reserved, std::uint32_t type,
                                   const std::uint8_t* data, std::uint32_t size) = 0;
  virtual RegStatus RegDeleteValueA(RegKey32 key, const std::string& name) = 0;
  // A REG_SZ value's text (without its terminator); kErrorFileNotFound when there is no such value.
  virtual RegStatus RegQueryValueExA(RegKey32 key, const std::string& name, std::uint32_t* type, std::string* data) = 0;
  virtual RegStatus RegCloseKey(RegKey32 key) = 0;
};

}  // namespace hush::platform
