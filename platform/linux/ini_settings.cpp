#include "platform/linux/ini_settings.h"

#include <cstdlib>
#include <vector>

#include "platform/linux/durable_file.h"

namespace hush::platform::linux_backend {

namespace {

std::string Trim(const std::string& text) {
  const auto begin = text.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return {};
  const auto end = text.find_last_not_of(" \t\r");
  return text.substr(begin, end - begin + 1);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const auto end = text.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

// "[name]" gives the group name; anything else is not a group line.
bool GroupOf(const std::string& line, std::string* name) {
  const std::string t = Trim(line);
  if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
  *name = Trim(t.substr(1, t.size() - 2));
  return true;
}

bool EntryOf(const std::string& line, std::string* key, std::string* value) {
  const std::string t = Trim(line);
  if (t.empty() || t[0] == ';' || t[0] == '#') return false;
  const auto eq = t.find('=');
  if (eq == std::string::npos) return false;
  *key = Trim(t.substr(0, eq));
  *value = Trim(t.substr(eq + 1));
  return true;
}

// A line break inside a value or key would start a new entry or group in the file.
std::string OneLine(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  return Trim(text);
}

}  // namespace

std::filesystem::path ConfigHome() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') return xdg;
  const char* home = std::getenv("HOME");
  return std::filesystem::path(home && *home ? home : "/") / ".config";
}

IniSettings::IniSettings(std::filesystem::path configHome) : configHome_(std::move(configHome)) {}

std::filesystem::path IniSettings::FileFor(const std::string& app) const {
  const std::filesystem::path home = configHome_.empty() ? ConfigHome() : configHome_;
  return home / app / (app + ".ini");
}

bool IniSettings::Lookup(const std::string& text, const std::string& section, const std::string& key,
                         std::string* value) {
  bool inSection = false;
  for (const std::string& line : Lines(text)) {
    std::string name, k, v;
    if (GroupOf(line, &name)) {
      inSection = name == section;
    } else if (inSection && EntryOf(line, &k, &v) && k == key) {
      *value = v;
      return true;
    }
  }
  return false;
}

std::string IniSettings::WithValue(const std::string& text, const std::string& section, const std::string& key,
                                   const std::string& value) {
  std::vector<std::string> lines = Lines(text);
  const std::string entry = key + "=" + value;
  bool inSection = false;
  std::ptrdiff_t lastOfSection = -1;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    std::string name, k, v;
    if (GroupOf(lines[i], &name)) {
      if (inSection) break;  // the section ended without the key
      inSection = name == section;
      if (inSection) lastOfSection = static_cast<std::ptrdiff_t>(i);
    } else if (inSection) {
      if (EntryOf(lines[i], &k, &v) && k == key) {
        lines[i] = entry;
        lastOfSection = -2;
        break;
      }
      if (EntryOf(lines[i], &k, &v)) lastOfSection = static_cast<std::ptrdiff_t>(i);
    }
  }
  if (lastOfSection >= 0) {
    lines.insert(lines.begin() + lastOfSection + 1, entry);
  } else if (lastOfSection == -1) {
    if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
    lines.push_back("[" + section + "]");
    lines.push_back(entry);
  }
  std::string out;
  for (const auto& line : lines) out += line + "\n";
  return out;
}

std::string IniSettings::GetSetting(const std::string& app, const std::string& section, const std::string& key,
                                    const std::string& fallback) {
  std::string value;
  return Lookup(ReadWholeFile(FileFor(app)), OneLine(section), OneLine(key), &value) ? value : fallback;
}

void IniSettings::SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                              const std::string& value) {
  const auto file = FileFor(app);
  WriteFileDurably(file, WithValue(ReadWholeFile(file), OneLine(section), OneLine(key), OneLine(value)));
}

}  // namespace hush::platform::linux_backend
