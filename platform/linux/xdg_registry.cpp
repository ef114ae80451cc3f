#include "platform/linux/xdg_registry.h"

#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <fstream>
#include <system_error>

#include "platform/linux/durable_file.h"
#include "platform/linux/ini_settings.h"

namespace hush::platform::linux_backend {

namespace {

constexpr std::uint32_t kKeySetValue = 0x2;
constexpr std::uint32_t kKeyCreateSubKey = 0x4;

std::string Normalised(const std::string& path) {
  std::string out;
  for (char c : path) out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  while (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

bool SafeValueName(const std::string& name) {
  if (name.empty() || name == "." || name == ".." || name.size() > 200) return false;
  for (char c : name)
    if (c == '/' || c == '\0' || c == '\n' || c == '\r') return false;
  return true;
}

// Desktop Entry string escapes for one line of text.
std::string StringValue(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\t': out += "\\t"; break;
      case '\r': out += "\\r"; break;
      default: out += c;
    }
  }
  return out;
}

std::string Unescaped(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char c = text[++i];
    out += c == 'n' ? '\n' : c == 't' ? '\t' : c == 'r' ? '\r' : c;
  }
  return out;
}

}  // namespace

std::filesystem::path XdgRegistry::MachineAutostart() {
  std::string dirs = std::getenv("XDG_CONFIG_DIRS") ? std::getenv("XDG_CONFIG_DIRS") : "";
  std::string first = dirs.substr(0, dirs.find(':'));
  if (first.empty() || first[0] != '/') first = "/etc/xdg";
  return std::filesystem::path(first) / "autostart";
}

std::filesystem::path XdgRegistry::UserAutostart() { return ConfigHome() / "autostart"; }

std::string XdgRegistry::ExecArgument(const std::string& argument) {
  std::string quoted = "\"";
  for (char c : argument) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  quoted += '"';
  std::string out;
  for (char c : StringValue(quoted)) {
    out += c;
    if (c == '%') out += '%';  // not a field code
  }
  return out;
}

std::string XdgRegistry::DesktopEntry(const std::string& name, const std::string& command) {
  std::string program = command;
  std::string rest;
  if (!command.empty() && command[0] == '"') {
    const auto close = command.find('"', 1);
    program = command.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    if (close != std::string::npos) rest = command.substr(close + 1);
  }
  const auto begin = rest.find_first_not_of(' ');
  rest = begin == std::string::npos ? std::string() : rest.substr(begin);
  std::string exec = ExecArgument(program);
  if (!rest.empty()) exec += " " + StringValue(rest);
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=" + StringValue(name) + "\n"
         "Comment=Volume shortcuts Ctrl+Shift+letter\n"
         "Exec=" + exec + "\n"
         // The value as it was given, so that it can be read back exactly.
         "X-Hushdial-Command=" + StringValue(command) + "\n"
         "Terminal=false\n"
         "X-GNOME-Autostart-enabled=true\n";
}

RegStatus XdgRegistry::RegOpenKeyExA(RegKey32 root, const std::string& path, std::uint32_t, std::uint32_t access,
                                     RegKey32* handle) {
  if (!handle) return kErrorInvalidParameter;
  if (Normalised(path) != "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN") return kErrorFileNotFound;
  std::filesystem::path folder;
  if (root == kHkeyLocalMachine)
    folder = MachineAutostart();
  else if (root == kHkeyCurrentUser)
    folder = UserAutostart();
  else
    return kErrorFileNotFound;
  if (access & (kKeySetValue | kKeyCreateSubKey)) {
    // Opening makes nothing: the folder is made when a value is written. It must be writable, or
    // makeable from its nearest existing parent.
    std::error_code error;
    std::filesystem::path existing = folder;
    while (!existing.empty() && !std::filesystem::exists(existing, error)) {
      if (existing == existing.parent_path()) break;
      existing = existing.parent_path();
    }
    if (existing.empty() || !std::filesystem::is_directory(existing, error) || ::access(existing.c_str(), W_OK) != 0)
      return kErrorAccessDenied;
  }
  do {
    ++next_;
  } while (next_ == 0 || open_.count(next_));
  open_[next_] = folder;
  *handle = next_;
  return kErrorSuccess;
}

RegStatus XdgRegistry::RegSetValueExA(RegKey32 key, const std::string& name, std::uint32_t, std::uint32_t type,
                                      const std::uint8_t* data, std::uint32_t size) {
  const auto it = open_.find(key);
  if (it == open_.end()) return kErrorInvalidHandle;
  if (!SafeValueName(name) || type != kRegSz || (size > 0 && !data)) return kErrorInvalidParameter;
  std::string command(reinterpret_cast<const char*>(data), size);
  command = command.substr(0, command.find('\0'));
  if (command.empty()) return kErrorInvalidParameter;
  if (!CreateFoldersForAll(it->second)) return kErrorAccessDenied;
  return WriteFileDurably(it->second / (name + ".desktop"), DesktopEntry(name, command)) ? kErrorSuccess
                                                                                         : kErrorAccessDenied;
}

RegStatus XdgRegistry::RegDeleteValueA(RegKey32 key, const std::string& name) {
  const auto it = open_.find(key);
  if (it == open_.end()) return kErrorInvalidHandle;
  if (!SafeValueName(name)) return kErrorFileNotFound;
  std::error_code error;
  if (std::filesystem::remove(it->second / (name + ".desktop"), error)) return kErrorSuccess;
  return error ? kErrorAccessDenied : kErrorFileNotFound;
}

RegStatus XdgRegistry::RegQueryValueExA(RegKey32 key, const std::string& name, std::uint32_t* type,
                                        std::string* data) {
  const auto it = open_.find(key);
  if (it == open_.end()) return kErrorInvalidHandle;
  if (!SafeValueName(name)) return kErrorFileNotFound;
  std::ifstream entry(it->second / (name + ".desktop"));
  if (!entry) return kErrorFileNotFound;
  std::string line, command;
  const std::string field = "X-Hushdial-Command=";
  while (std::getline(entry, line))
    if (line.rfind(field, 0) == 0) command = Unescaped(line.substr(field.size()));
  if (type) *type = kRegSz;
  if (data) *data = command;  // an entry from elsewhere names no command we can compare
  return kErrorSuccess;
}

RegStatus XdgRegistry::RegCloseKey(RegKey32 key) { return open_.erase(key) ? kErrorSuccess : kErrorInvalidHandle; }

}  // namespace hush::platform::linux_backend
