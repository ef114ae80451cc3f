#include "system/RegStuff.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "platform/failure.h"

namespace hush::RegStuff {

namespace {

std::string AsText(const RegValue& value) {
  if (const auto* text = std::get_if<std::string>(&value)) return *text;
  if (const auto* whole = std::get_if<std::int64_t>(&value)) return std::to_string(*whole);
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::get<double>(value));
  return std::string(buffer, result.ptr);
}

std::int32_t AsDword(const RegValue& value) {
  double number = 0;
  if (const auto* text = std::get_if<std::string>(&value)) {
    std::size_t begin = text->find_first_not_of(' ');
    std::size_t end = text->find_last_not_of(' ');
    if (begin == std::string::npos) throw platform::Failure("Type mismatch");
    const char* first = text->data() + begin;
    const char* last = text->data() + end + 1;
    if (*first == '+') ++first;
    const auto result = std::from_chars(first, last, number);
    if (result.ec != std::errc() || result.ptr != last) throw platform::Failure("Type mismatch");
  } else if (const auto* whole = std::get_if<std::int64_t>(&value)) {
    if (*whole < INT32_MIN || *whole > INT32_MAX) throw platform::Failure("Overflow");
    return static_cast<std::int32_t>(*whole);
  } else {
    number = std::get<double>(value);
  }
  const double rounded = std::nearbyint(number);
  if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) throw platform::Failure("Overflow");
  return static_cast<std::int32_t>(rounded);
}

}  // namespace

std::optional<std::string> ReadKeyText(platform::IRegistry& registry, platform::RegKey32& root,
                                       const std::string& keyPath, const std::string& valueName) {
  platform::RegKey32 key = 0;
  if (registry.RegOpenKeyExA(root, keyPath, 0, platform::kKeyQueryValue, &key) != 0) return std::nullopt;
  std::string text;
  std::uint32_t type = 0;
  const platform::RegStatus status = registry.RegQueryValueExA(key, valueName, &type, &text);
  registry.RegCloseKey(key);
  if (status != 0 || type != platform::kRegSz) return std::nullopt;
  return text;
}

void DeleteRegistryValue(platform::IRegistry& registry, platform::RegKey32& root, const std::string& keyPath,
                         const std::string& valueName) {
  platform::RegKey32 key = 0;
  registry.RegOpenKeyExA(root, keyPath, 0, platform::kKeyAccess3F, &key);
  registry.RegDeleteValueA(key, valueName);
  registry.RegCloseKey(key);
}

platform::RegStatus WriteTypedValue(platform::IRegistry& registry, platform::RegKey32 key,
                                    const std::string& valueName, std::uint32_t type, const RegValue& value) {
  if (type == platform::kRegSz) {
    const std::string text = AsText(value);
    return registry.RegSetValueExA(key, valueName, 0, platform::kRegSz,
                                   reinterpret_cast<const std::uint8_t*>(text.c_str()),
                                   static_cast<std::uint32_t>(text.size() + 1));
  }
  if (type == platform::kRegDword) {
    const std::int32_t number = AsDword(value);
    std::uint8_t bytes[4];
    const auto bits = static_cast<std::uint32_t>(number);
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(bits >> (8 * i));  // little-endian
    return registry.RegSetValueExA(key, valueName, 0, platform::kRegDword, bytes, 4);
  }
  return 0;
}

platform::RegStatus WriteKeyValue(platform::IRegistry& registry, platform::RegKey32& root, const std::string& keyPath,
                                  const std::string& valueName, const RegValue& value, std::uint32_t type) {
  platform::RegKey32 key = 0;
  const platform::RegStatus opened = registry.RegOpenKeyExA(root, keyPath, 0, platform::kKeyAccess3F, &key);
  platform::RegStatus written = platform::kErrorInvalidHandle;
  try {
    written = WriteTypedValue(registry, key, valueName, type, value);
  } catch (...) {
    registry.RegCloseKey(key);
    throw;
  }
  registry.RegCloseKey(key);
  return opened != 0 ? opened : written;
}

std::string RunCommand(const std::string& programPath) {
  if (programPath.find(' ') == std::string::npos) return programPath;
  return "\"" + programPath + "\"";
}

void AddRunValue(platform::Platform& platform, const std::string& valueName) {
  std::string folder = platform.files.ProgramFolder();
  const char separator = platform.files.PathSeparator();
  const std::string path =
      (!folder.empty() && folder.back() == separator) ? folder + valueName : folder + separator + valueName;
  const std::string data = RunCommand(path);
  platform::RegKey32 machine = platform::kHkeyLocalMachine;
  platform::RegKey32 user = platform::kHkeyCurrentUser;
  // Exactly one entry starts this program at logon: the machine-wide one where it can be written or
  // already names this program (an elevated run wrote it), otherwise the user's own one.
  if (WriteKeyValue(platform.registry, machine, kRunKey, valueName, data, platform::kRegSz) == 0 ||
      ReadKeyText(platform.registry, machine, kRunKey, valueName) == data) {
    DeleteRegistryValue(platform.registry, user, kRunKey, valueName);
    return;
  }
  WriteKeyValue(platform.registry, user, kRunKey, valueName, data, platform::kRegSz);
}

void DeleteRunValue(platform::Platform& platform, const std::string& valueName) {
  platform::RegKey32 machine = platform::kHkeyLocalMachine;
  DeleteRegistryValue(platform.registry, machine, kRunKey, valueName);
  platform::RegKey32 user = platform::kHkeyCurrentUser;
  DeleteRegistryValue(platform.registry, user, kRunKey, valueName);
}

}  // namespace hush::RegStuff
