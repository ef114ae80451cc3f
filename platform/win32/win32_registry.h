#pragma once
#include <cstddef>
#include <map>
#include <string>
#include <utility>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/settings.h"

namespace hush::platform::win32 {

// A REG_SZ value's text from the bytes the registry gave: up to the first terminator, or all of
// them when a careless writer stored none.
inline std::string ReadRegistryText(const char* data, std::size_t size) {
  std::size_t length = 0;
  while (length < size && data[length] != '\0') ++length;
  return std::string(data, length);
}

// The program's own path as its ANSI calls see it (ansi): as it is where the code page holds it, else
// in its short form; and the path itself (real) where no ANSI form names the file: a folder the code
// page cannot hold, on a volume without short names.
struct ProgramPath {
  std::string ansi;
  std::wstring real;
};
// codePage: the ANSI code page the calls use; 0 for the system's own. convert: the conversion to
// take instead of WideCharToMultiByte (its arguments as Windows declares them), for the tests: Wine
// is more lenient than Windows about what the conversion accepts for UTF-8.
using WideToMultiByte = int (*)(unsigned codePage, unsigned long flags, const wchar_t* wide, int wideUnits, char* narrow,
                                int narrowBytes, const char* defaultChar, int* usedDefault);
ProgramPath ProgramPathOf(const wchar_t* path, bool shortNames = true, unsigned codePage = 0,
                          WideToMultiByte convert = nullptr);
ProgramPath RunningProgramPath();

// A text value holding the program's path (its start-up entry) is written with the path itself where
// the ANSI one would name no file; every other value as the ANSI call writes it.
class Win32Registry : public IRegistry {
 public:
  Win32Registry() : Win32Registry(RunningProgramPath()) {}
  explicit Win32Registry(ProgramPath program) : program_(std::move(program)) {}
  ~Win32Registry() override;
  RegStatus RegOpenKeyExA(RegKey32 root, const std::string& path, std::uint32_t options, std::uint32_t access,
                          RegKey32* handle) override;
  RegStatus RegSetValueExA(RegKey32 key, const std::string& name, std::uint32_t reserved, std::uint32_t type,
                           const std::uint8_t* data, std::uint32_t size) override;
  RegStatus RegDeleteValueA(RegKey32 key, const std::string& name) override;
  RegStatus RegQueryValueExA(RegKey32 key, const std::string& name, std::uint32_t* type, std::string* data) override;
  RegStatus RegCloseKey(RegKey32 key) override;

 private:
  std::map<RegKey32, void*> open_;  // registry handles are pointers on 64-bit Windows
  RegKey32 next_ = 0;
  ProgramPath program_;
};

// HKEY_CURRENT_USER\Software\<app>\<section>, REG_SZ values.
class Win32Settings : public ISettingsStore {
 public:
  std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                         const std::string& fallback) override;
  void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                   const std::string& value) override;
};

class Win32Files : public IFileSystem {
 public:
  Win32Files() : Win32Files(RunningProgramPath()) {}
  explicit Win32Files(ProgramPath program) : program_(std::move(program)) {}
  std::string ProgramFolder() override;
  std::string ProgramFileName() override;
  char PathSeparator() override { return '\\'; }
  std::int64_t FileDateTime(const std::string& path) override;
  std::string Dir(const std::string& path) override;

 private:
  ProgramPath program_;
};

}  // namespace hush::platform::win32
