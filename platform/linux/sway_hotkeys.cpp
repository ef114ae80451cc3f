#include "platform/linux/sway_hotkeys.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <vector>

namespace hush::platform::linux_backend {

namespace {

constexpr std::uint32_t kRunCommand = 0;
constexpr std::uint32_t kGetVersion = 7;
constexpr std::uint32_t kGetConfig = 9;
constexpr char kMagic[] = "i3-ipc";
constexpr std::size_t kMagicSize = sizeof(kMagic) - 1;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Trim(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool ReadAll(int fd, char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::read(fd, data, size);
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// A combination as sway compares them: its modifiers by their canonical names, and the key.
std::string Canonical(const std::string& combination, const std::map<std::string, std::string>& variables) {
  std::string expanded = combination;
  for (const auto& [name, value] : variables)
    for (std::size_t at = expanded.find(name); at != std::string::npos; at = expanded.find(name, at + value.size()))
      expanded.replace(at, name.size(), value);
  std::set<std::string> modifiers;
  std::string key;
  std::istringstream parts(expanded);
  std::vector<std::string> all;
  for (std::string part; std::getline(parts, part, '+');) all.push_back(Lower(part));
  if (all.empty()) return "";
  key = all.back();
  all.pop_back();
  for (std::string m : all) {
    if (m == "control") m = "ctrl";
    if (m == "mod1") m = "alt";
    if (m == "super") m = "mod4";
    modifiers.insert(m);
  }
  std::string canonical;
  for (const std::string& m : modifiers) canonical += m + "+";
  return canonical + key;
}

// The combination of a binding's words: past the flags (--release, --locked, ...).
std::string CombinationOf(const std::vector<std::string>& words, std::size_t from) {
  for (std::size_t i = from; i < words.size(); ++i)
    if (words[i].rfind("--", 0) != 0) return words[i];
  return "";
}

}  // namespace

SwayHotkeys::SwayHotkeys(ShortcutNamer namer, std::string program, std::string socket)
    : namer_(std::move(namer)), program_(std::move(program)), socket_(std::move(socket)) {}

SwayHotkeys::~SwayHotkeys() { RemoveAll(); }

bool SwayHotkeys::Offered() {
  const char* socket = std::getenv("SWAYSOCK");
  std::string reply;
  return socket && *socket && Ask(socket, kGetVersion, "", reply);
}

bool SwayHotkeys::Ask(const std::string& socket, std::uint32_t type, const std::string& payload, std::string& reply) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socket.size() >= sizeof(address.sun_path)) return false;
  std::memcpy(address.sun_path, socket.c_str(), socket.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  // A compositor that hangs must not hang the window with it.
  timeval limit{2, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  std::string message(kMagic, kMagicSize);
  const auto size = static_cast<std::uint32_t>(payload.size());
  message.append(reinterpret_cast<const char*>(&size), sizeof size);
  message.append(reinterpret_cast<const char*>(&type), sizeof type);
  message += payload;
  ok = ok && WriteAll(fd, message.data(), message.size());
  char header[kMagicSize + 8];
  ok = ok && ReadAll(fd, header, sizeof header) && std::memcmp(header, kMagic, kMagicSize) == 0;
  std::uint32_t answerSize = 0, answerType = 0;
  if (ok) {
    std::memcpy(&answerSize, header + kMagicSize, sizeof answerSize);
    std::memcpy(&answerType, header + kMagicSize + 4, sizeof answerType);
    ok = answerType == type && answerSize < (64u << 20);
  }
  if (ok) {
    reply.assign(answerSize, '\0');
    ok = ReadAll(fd, reply.data(), answerSize);
  }
  ::close(fd);
  return ok;
}

std::string SwayHotkeys::JsonString(const std::string& json, const std::string& key) {
  const std::string quoted = "\"" + key + "\"";
  std::size_t at = json.find(quoted);
  if (at == std::string::npos) return "";
  at = json.find_first_not_of(" \t\r\n", at + quoted.size());
  if (at == std::string::npos || json[at] != ':') return "";
  at = json.find_first_not_of(" \t\r\n", at + 1);
  if (at == std::string::npos || json[at] != '"') return "";
  std::string text;
  for (++at; at < json.size() && json[at] != '"'; ++at) {
    char c = json[at];
    if (c == '\\' && at + 1 < json.size()) {
      c = json[++at];
      if (c == 'n') c = '\n';
      else if (c == 't') c = '\t';
      else if (c == 'r') c = '\r';
      else if (c == 'b') c = '\b';
      else if (c == 'f') c = '\f';
      else if (c == 'u' && at + 4 < json.size()) {
        const unsigned long code = std::strtoul(json.substr(at + 1, 4).c_str(), nullptr, 16);
        at += 4;
        // Only the combinations matter here, which are ASCII; anything else stands as one mark.
        c = code < 0x80 ? static_cast<char>(code) : '?';
      }
    }
    text += c;
  }
  return text;
}

bool SwayHotkeys::ConfigBinds(const std::string& config, const std::string& combination) {
  std::map<std::string, std::string> variables;
  std::istringstream lines(config);
  const std::string wanted = Canonical(combination, {});
  bool inBlock = false;
  for (std::string raw; std::getline(lines, raw);) {
    const std::string line = Trim(raw);
    if (line.empty() || line[0] == '#') continue;
    const std::vector<std::string> words = Words(line);
    if (inBlock) {
      if (words[0] == "}") inBlock = false;
      else if (Canonical(CombinationOf(words, 0), variables) == wanted) return true;
      continue;
    }
    if (words[0] == "set" && words.size() >= 3 && words[1][0] == '$') {
      variables[words[1]] = words[2];
      continue;
    }
    // bindsym may also stand inside a mode's block, which is not the default mode: such a binding
    // is counted too, so nothing of the user's is ever replaced.
    const std::size_t at = words[0] == "bindsym" ? 0 : (words.size() > 1 && words[1] == "bindsym" ? 1 : words.size());
    if (at >= words.size()) continue;
    if (words.back() == "{" && CombinationOf(words, at + 1) == "{") {
      inBlock = true;
      continue;
    }
    if (Canonical(CombinationOf(words, at + 1), variables) == wanted) return true;
  }
  return false;
}

std::string SwayHotkeys::Combination(std::uint32_t modifiers, std::uint32_t vk) {
  std::string combination;
  if (modifiers & kModControl) combination += "Ctrl+";
  if (modifiers & kModShift) combination += "Shift+";
  if (modifiers & kModAlt) combination += "Mod1+";
  if (modifiers & kModWin) combination += "Mod4+";
  return combination + static_cast<char>(std::tolower(static_cast<int>(vk)));
}

std::string SwayHotkeys::Command(const std::string& program, const std::string& option) {
  std::string quoted = "'";
  for (char c : program) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "' " + option;
}

bool SwayHotkeys::Run(const std::string& command) {
  std::string reply;
  if (!Ask(socket_, kRunCommand, command, reply)) return false;
  // [{"success": true}] for each command; one false fails it.
  bool any = false;
  for (std::size_t at = reply.find("\"success\""); at != std::string::npos; at = reply.find("\"success\"", at + 1)) {
    const std::size_t value = reply.find_first_not_of(" :\t\r\n", at + 9);
    if (value == std::string::npos || reply[value] != 't') return false;
    any = true;
  }
  return any;
}

bool SwayHotkeys::RegisterHotKey(WindowHandle window, std::int32_t id, std::uint32_t modifiers, std::uint32_t vk) {
  if (!(vk >= 'A' && vk <= 'Z') && !(vk >= '0' && vk <= '9')) return false;
  if (bound_.count({window, id})) return false;  // as Windows: the identifier is taken
  const std::string combination = Combination(modifiers, vk);
  for (const auto& [key, held] : bound_)
    if (held == combination) return false;  // already held by this program
  const ShortcutNaming naming = namer_ ? namer_(id) : ShortcutNaming{};
  if (naming.option.empty()) return false;  // nothing a press could run
  std::string reply;
  if (!Ask(socket_, kGetConfig, "", reply)) return false;
  if (ConfigBinds(JsonString(reply, "config"), combination)) return false;  // the user's own
  if (!Run("bindsym " + combination + " exec " + Command(program_, naming.option))) return false;
  bound_[{window, id}] = combination;
  return true;
}

bool SwayHotkeys::UnregisterHotKey(WindowHandle window, std::int32_t id) {
  const auto found = bound_.find({window, id});
  if (found == bound_.end()) return false;
  Run("unbindsym " + found->second);
  bound_.erase(found);
  return true;
}

void SwayHotkeys::RemoveAll() {
  for (const auto& [key, combination] : bound_) Run("unbindsym " + combination);
  bound_.clear();
}

}  // namespace hush::platform::linux_backend
