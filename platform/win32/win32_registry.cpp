#include "platform/win32/win32_registry.h"

#include <windows.h>

#include "platform/failure.h"
#include "platform/win32/win32_text.h"

namespace hush::platform::win32 {

namespace {
HKEY Root(RegKey32 root) {
  switch (root) {
    case kHkeyCurrentUser: return HKEY_CURRENT_USER;
    case kHkeyLocalMachine: return HKEY_LOCAL_MACHINE;
    case 0x80000000u: return HKEY_CLASSES_ROOT;
    case 0x80000003u: return HKEY_USERS;
    default: return nullptr;
  }
}

// A path in the system's ANSI code page (codePage 0) or the one given, through which every file and
// registry call of the program goes; lost: a character the code page cannot hold was replaced, or
// the path could not be converted at all. Windows 10 can make UTF-8 the ANSI code page ("Use Unicode
// UTF-8 for worldwide language support"): it holds every character, and for it the conversion takes
// no best-fit flag and no used-default flag, or it fails; a broken surrogate is refused instead.
std::string Ansi(const wchar_t* path, BOOL* lost, UINT codePage, WideToMultiByte convert) {
  *lost = FALSE;
  const UINT cp = codePage != 0 ? codePage : ::GetACP();
  const bool utf8 = cp == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL* usedDefault = utf8 ? nullptr : lost;
  const auto wideToMultiByte = [&](char* narrow, int bytes) {
    return convert ? convert(cp, flags, path, -1, narrow, bytes, nullptr, usedDefault)
                   : ::WideCharToMultiByte(cp, flags, path, -1, narrow, bytes, nullptr, usedDefault);
  };
  const int size = wideToMultiByte(nullptr, 0);
  if (size <= 1) {
    *lost = size == 0 && path[0] != L'\0';
    return {};
  }
  std::string text(static_cast<std::size_t>(size), '\0');
  wideToMultiByte(text.data(), size);
  text.resize(static_cast<std::size_t>(size - 1));
  return text;
}

}  // namespace

// Where the program's folder has a name the ANSI code page cannot hold (a Cyrillic folder on a
// Western Windows), the ANSI call would give a path with question marks, naming no file, and the
// start-up entry written from it would start nothing. The folder's short name names the same file
// in characters the code page has; a volume without short names leaves only the path itself.
ProgramPath ProgramPathOf(const wchar_t* path, bool shortNames, unsigned codePage, WideToMultiByte convert) {
  BOOL lost = FALSE;
  const std::string ansi = Ansi(path, &lost, codePage, convert);
  if (!lost) return {ansi, {}};
  if (shortNames) {
    wchar_t brief[MAX_PATH * 4];
    const DWORD n = ::GetShortPathNameW(path, brief, MAX_PATH * 4);
    if (n != 0 && n < MAX_PATH * 4) {
      const std::string shortAnsi = Ansi(brief, &lost, codePage, convert);
      if (!lost) return {shortAnsi, {}};
    }
  }
  return {ansi, path};
}

ProgramPath RunningProgramPath() {
  wchar_t path[MAX_PATH * 4];
  const DWORD n = ::GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  return n == 0 || n >= MAX_PATH * 4 ? ProgramPath{} : ProgramPathOf(path);
}

Win32Registry::~Win32Registry() {
  for (auto& [id, key] : open_) ::RegCloseKey(static_cast<HKEY>(key));
}

RegStatus Win32Registry::RegOpenKeyExA(RegKey32 root, const std::string& path, std::uint32_t options,
                                       std::uint32_t access, RegKey32* handle) {
  HKEY base = Root(root);
  if (!base) {
    const auto it = open_.find(root);
    if (it == open_.end()) return ERROR_INVALID_HANDLE;
    base = static_cast<HKEY>(it->second);
  }
  HKEY key = nullptr;
  const LONG status = ::RegOpenKeyExA(base, path.c_str(), options, access, &key);
  if (status != ERROR_SUCCESS) return status;
  do {
    ++next_;
  } while (next_ == 0 || Root(next_) || open_.count(next_));
  open_[next_] = key;
  *handle = next_;
  return ERROR_SUCCESS;
}

RegStatus Win32Registry::RegSetValueExA(RegKey32 key, const std::string& name, std::uint32_t reserved,
                                        std::uint32_t type, const std::uint8_t* data, std::uint32_t size) {
  const auto it = open_.find(key);
  if (it == open_.end()) return ERROR_INVALID_HANDLE;
  if (type == REG_SZ && !program_.real.empty() && !program_.ansi.empty() && data) {
    // The text read back through the ANSI call is the one given here, so the entry is still known
    // as the program's own.
    const std::string text = ReadRegistryText(reinterpret_cast<const char*>(data), size);
    const auto at = text.find(program_.ansi);
    if (at != std::string::npos) {
      const std::wstring wide =
          Widen(text.substr(0, at), CP_ACP) + program_.real + Widen(text.substr(at + program_.ansi.size()), CP_ACP);
      return ::RegSetValueExW(static_cast<HKEY>(it->second), Widen(name, CP_ACP).c_str(), reserved, REG_SZ,
                              reinterpret_cast<const BYTE*>(wide.c_str()),
                              static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
    }
  }
  return ::RegSetValueExA(static_cast<HKEY>(it->second), name.c_str(), reserved, type, data, size);
}

RegStatus Win32Registry::RegDeleteValueA(RegKey32 key, const std::string& name) {
  const auto it = open_.find(key);
  if (it == open_.end()) return ERROR_INVALID_HANDLE;
  return ::RegDeleteValueA(static_cast<HKEY>(it->second), name.c_str());
}

RegStatus Win32Registry::RegQueryValueExA(RegKey32 key, const std::string& name, std::uint32_t* type,
                                          std::string* data) {
  const auto it = open_.find(key);
  if (it == open_.end()) return ERROR_INVALID_HANDLE;
  DWORD kind = 0, size = 0;
  LONG status = ::RegQueryValueExA(static_cast<HKEY>(it->second), name.c_str(), nullptr, &kind, nullptr, &size);
  if (status != ERROR_SUCCESS) return status;
  std::string bytes(size, '\0');
  status = ::RegQueryValueExA(static_cast<HKEY>(it->second), name.c_str(), nullptr, &kind,
                              reinterpret_cast<LPBYTE>(bytes.data()), &size);
  if (status != ERROR_SUCCESS) return status;
  bytes.resize(size);
  if (type) *type = kind;
  if (data) *data = bytes.substr(0, bytes.find('\0'));
  return ERROR_SUCCESS;
}

RegStatus Win32Registry::RegCloseKey(RegKey32 key) {
  const auto it = open_.find(key);
  if (it == open_.end()) return ERROR_INVALID_HANDLE;
  const LONG status = ::RegCloseKey(static_cast<HKEY>(it->second));
  open_.erase(it);
  return status;
}

std::string Win32Settings::GetSetting(const std::string& app, const std::string& section, const std::string& key,
                                      const std::string& fallback) {
  // RegOpenKeyExA and RegQueryValueExA, as every Windows from XP has them (RegGetValueA has not).
  const std::string path = "Software\\" + app + "\\" + section;
  HKEY handle = nullptr;
  if (::RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return fallback;
  char buffer[4096];
  DWORD size = sizeof buffer;
  DWORD type = 0;
  const LONG status =
      ::RegQueryValueExA(handle, key.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  ::RegCloseKey(handle);
  if (status != ERROR_SUCCESS || type != REG_SZ) return fallback;
  // The stored text need not end in a terminator, and may hold one before its end.
  return ReadRegistryText(buffer, size);
}

void Win32Settings::SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                                const std::string& value) {
  const std::string path = "Software\\" + app + "\\" + section;
  HKEY handle = nullptr;
  if (::RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) !=
      ERROR_SUCCESS)
    return;
  ::RegSetValueExA(handle, key.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
  ::RegCloseKey(handle);
}

std::string Win32Files::ProgramFolder() {
  const std::string& path = program_.ansi;
  const auto slash = path.find_last_of('\\');
  if (slash == std::string::npos) return {};
  // A drive's root keeps its backslash.
  return slash == 2 && path[1] == ':' ? path.substr(0, 3) : path.substr(0, slash);
}

std::string Win32Files::ProgramFileName() {
  const std::string& path = program_.ansi;
  const auto slash = path.find_last_of('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::int64_t Win32Files::FileDateTime(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) throw Failure("File not found");
  const ULONGLONG ticks = (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                          data.ftLastWriteTime.dwLowDateTime;
  return static_cast<std::int64_t>(ticks / 10000000ULL) - 11644473600LL;  // 100 ns since 1601 -> s since 1970
}

std::string Win32Files::Dir(const std::string& path) {
  if (path.find_first_of("*?") != std::string::npos) return "";  // a name, not a pattern
  WIN32_FIND_DATAA found{};
  HANDLE search = ::FindFirstFileA(path.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return "";
  ::FindClose(search);
  const DWORD notNormal = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
  return (found.dwFileAttributes & notNormal) ? std::string() : std::string(found.cFileName);
}

}  // namespace hush::platform::win32
