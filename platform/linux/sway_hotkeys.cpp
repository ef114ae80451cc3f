#include "platform/linux/sway_hotkeys.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>
#include <wordexp.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "platform/linux/runtime_folder.h"

namespace hush::platform::linux_backend {

namespace {

constexpr std::uint32_t kRunCommand = 0;
constexpr std::uint32_t kSubscribe = 2;
constexpr std::uint32_t kWorkspaceEvent = 0x80000000u;
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

// A socket with a time limit is not restarted after a signal: the call is made again. A sway that
// closed the socket gives an error, never SIGPIPE.
bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool ReadAll(int fd, char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::read(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// The key code sway gives a Latin letter or digit with --to-code under a US-shaped first layout
// (evdev code + 8): what a user's bindcode line is compared with. 0 for other keys.
int LatinKeyCode(char key) {
  static const char* const kRows[] = {"1234567890", "qwertyuiop", "asdfghjkl", "zxcvbnm"};
  static const int kFirst[] = {10, 24, 38, 52};
  for (int row = 0; row < 4; ++row)
    if (const char* at = std::strchr(kRows[row], key); at && key) return kFirst[row] + static_cast<int>(at - kRows[row]);
  return 0;
}

std::string Unquoted(std::string word) {
  if (word.size() >= 2 && (word.front() == '"' || word.front() == '\'') && word.back() == word.front())
    word = word.substr(1, word.size() - 2);
  return word;
}

// A combination as sway compares them: its modifiers by their canonical names, and the key (a
// bindcode's number stands as "#24").
std::string Canonical(const std::string& combination, bool code) {
  std::set<std::string> modifiers;
  std::istringstream parts(Unquoted(combination));
  std::vector<std::string> all;
  for (std::string part; std::getline(parts, part, '+');) all.push_back(Lower(part));
  if (all.empty()) return "";
  std::string key = all.back();
  all.pop_back();
  for (std::string m : all) {
    if (m == "control") m = "ctrl";
    if (m == "mod1") m = "alt";
    if (m == "super" || m == "logo") m = "mod4";
    modifiers.insert(m);
  }
  if (code) key = "#" + key;
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

// Reads a configuration as sway does, line by line through its includes, with its variables.
struct ConfigReader {
  std::string wanted;      // Canonical(combination) by keysym
  std::string wantedCode;  // and by key code
  std::vector<std::pair<std::string, std::string>> variables;
  std::set<std::string> read;  // files already read: an include of itself is read once

  // sway puts the longest variable name in first where several begin at the same "$".
  std::string Expand(const std::string& text) const {
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
      const std::pair<std::string, std::string>* best = nullptr;
      if (text[at] == '$')
        for (const auto& variable : variables)
          if (text.compare(at, variable.first.size(), variable.first) == 0 &&
              (!best || variable.first.size() > best->first.size()))
            best = &variable;
      if (best) {
        out += best->second;
        at += best->first.size();
      } else {
        out += text[at++];
      }
    }
    return out;
  }

  bool Matches(const std::string& command, const std::vector<std::string>& words, std::size_t from) const {
    const std::string combination = CombinationOf(words, from);
    if (combination.empty()) return false;
    return command == "bindcode" ? Canonical(combination, true) == wantedCode : Canonical(combination, false) == wanted;
  }

  bool Include(const std::string& pattern, const std::string& folder, int depth) {
    // As sway: shell words (globs, ~, $HOME) without running anything, relative to the including
    // file's folder, whose own name is taken as it stands (quoted for the expansion).
    std::string quoted = "'";
    for (const char c : folder) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    quoted += "'/";
    const std::string rooted = pattern.empty() || pattern[0] == '/' || pattern[0] == '~' || pattern[0] == '$'
                                   ? pattern
                                   : quoted + pattern;
    wordexp_t words{};
    if (wordexp(rooted.c_str(), &words, WRDE_NOCMD) != 0) return false;
    std::vector<std::string> files(words.we_wordv, words.we_wordv + words.we_wordc);
    wordfree(&words);
    for (const std::string& file : files) {
      char real[PATH_MAX];
      if (!realpath(file.c_str(), real) || !read.insert(real).second) continue;
      std::ifstream in(real);
      std::stringstream text;
      text << in.rdbuf();
      const std::string path = real;
      if (Binds(text.str(), path.substr(0, path.rfind('/')), depth + 1)) return true;
    }
    return false;
  }

  bool Binds(const std::string& config, const std::string& folder, int depth) {
    if (depth > 16) return false;
    std::istringstream lines(config);
    std::vector<std::string> blocks;  // "bindsym", "bindcode", "mode", or "" for any other block
    for (std::string raw; std::getline(lines, raw);) {
      const std::string trimmed = Trim(raw);
      if (trimmed.empty() || trimmed[0] == '#') continue;
      std::vector<std::string> words = Words(trimmed);
      if (words[0] == "}") {
        if (!blocks.empty()) blocks.pop_back();
        continue;
      }
      const std::string inside = blocks.empty() ? "mode" : blocks.back();
      if (inside == "bindsym" || inside == "bindcode") {
        if (Matches(inside, Words(Expand(trimmed)), 0)) return true;
        continue;
      }
      if (inside.empty()) {  // bar, input, output ...: their bindsym are of other things
        if (words.back() == "{") blocks.push_back("");
        continue;
      }
      if (words[0] == "set" && words.size() >= 3 && words[1][0] == '$') {
        const std::size_t value = trimmed.find(words[2], trimmed.find(words[1]) + words[1].size());
        variables.emplace_back(words[1], Expand(Unquoted(trimmed.substr(value))));
        continue;
      }
      words = Words(Expand(trimmed));
      if (words[0] == "include" && words.size() >= 2) {
        if (Include(Unquoted(Trim(Expand(trimmed).substr(7))), folder, depth)) return true;
        continue;
      }
      // "mode NAME bindsym ..." is one binding of that mode; "mode NAME {" opens its block.
      std::size_t at = 0;
      if (words[0] == "mode" && words.size() >= 3 && words[words.size() - 1] != "{") at = 2;
      if (words[at] == "bindsym" || words[at] == "bindcode") {
        if (words.back() == "{" && CombinationOf(words, at + 1) == "{") {
          blocks.push_back(words[at]);
          continue;
        }
        if (Matches(words[at], words, at + 1)) return true;
        continue;
      }
      if (words.back() == "{") blocks.push_back(words[0] == "mode" ? "mode" : "");
    }
    return false;
  }
};

// The file sway loaded: its -c/--config, else the first of the places sway looks in that exists.
std::string SwayConfigFile(pid_t sway) {
  // The peer is sway itself; where the id names some other process (a /proc of another process
  // namespace), its command line says nothing of sway's.
  char exe[PATH_MAX];
  const ssize_t size = sway > 0 ? readlink(("/proc/" + std::to_string(sway) + "/exe").c_str(), exe, sizeof exe - 1) : -1;
  const std::string running = size > 0 ? std::string(exe, static_cast<std::size_t>(size)) : "";
  if (running.substr(running.rfind('/') + 1).rfind("sway", 0) != 0) sway = 0;
  std::ifstream cmdline("/proc/" + std::to_string(sway) + "/cmdline", std::ios::binary);
  std::vector<std::string> args;
  for (std::string arg; std::getline(cmdline, arg, '\0');) args.push_back(arg);
  std::string chosen;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if ((args[i] == "-c" || args[i] == "--config") && i + 1 < args.size()) chosen = args[i + 1];
    else if (args[i].rfind("--config=", 0) == 0) chosen = args[i].substr(9);
    else if (args[i].rfind("-c", 0) == 0 && args[i].size() > 2 && args[i][2] != '-') chosen = args[i].substr(2);
  }
  if (!chosen.empty()) {
    if (chosen[0] == '/') return chosen;
    char cwd[PATH_MAX];
    const ssize_t n = readlink(("/proc/" + std::to_string(sway) + "/cwd").c_str(), cwd, sizeof cwd - 1);
    return n > 0 ? std::string(cwd, static_cast<std::size_t>(n)) + "/" + chosen : chosen;
  }
  const char* home = std::getenv("HOME");
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const std::string h = home ? home : "";
  const std::string config = xdg && *xdg ? xdg : h + "/.config";
  for (const std::string& place : {h + "/.sway/config", config + "/sway/config", h + "/.i3/config",
                                   config + "/i3/config", std::string("/etc/sway/config"), std::string("/etc/i3/config")})
    if (access(place.c_str(), R_OK) == 0) return place;
  return "";
}

}  // namespace

SwayHotkeys::SwayHotkeys(ShortcutNamer namer, std::string program, std::string socket)
    : namer_(std::move(namer)), program_(std::move(program)), socket_(std::move(socket)) {}

SwayHotkeys::~SwayHotkeys() {
  RemoveAll();
  StopWatching();
}

bool SwayHotkeys::Offered() {
  const char* socket = std::getenv("SWAYSOCK");
  std::string reply;
  return socket && *socket && Ask(socket, kGetVersion, "", reply);
}

namespace {

int Connect(const std::string& socket) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (socket.size() >= sizeof(address.sun_path)) return -1;
  std::memcpy(address.sun_path, socket.c_str(), socket.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  // A compositor that hangs must not hang the window with it.
  timeval limit{2, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool Send(int fd, std::uint32_t type, const std::string& payload) {
  std::string message(kMagic, kMagicSize);
  const auto size = static_cast<std::uint32_t>(payload.size());
  message.append(reinterpret_cast<const char*>(&size), sizeof size);
  message.append(reinterpret_cast<const char*>(&type), sizeof type);
  message += payload;
  return WriteAll(fd, message.data(), message.size());
}

// One message: its type and payload.
bool Receive(int fd, std::uint32_t& type, std::string& payload) {
  char header[kMagicSize + 8];
  if (!ReadAll(fd, header, sizeof header) || std::memcmp(header, kMagic, kMagicSize) != 0) return false;
  std::uint32_t size = 0;
  std::memcpy(&size, header + kMagicSize, sizeof size);
  std::memcpy(&type, header + kMagicSize + 4, sizeof type);
  if (size >= (64u << 20)) return false;
  payload.assign(size, '\0');
  return ReadAll(fd, payload.data(), size);
}

// Which process answers on the socket.
pid_t SwayPid(const std::string& socket) {
  const int fd = Connect(socket);
  if (fd < 0) return 0;
  ucred peer{};
  socklen_t size = sizeof peer;
  const bool ok = getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0;
  ::close(fd);
  return ok ? peer.pid : 0;
}

}  // namespace

bool SwayHotkeys::Ask(const std::string& socket, std::uint32_t type, const std::string& payload, std::string& reply) {
  const int fd = Connect(socket);
  if (fd < 0) return false;
  std::uint32_t answerType = 0;
  const bool ok = Send(fd, type, payload) && Receive(fd, answerType, reply) && answerType == type;
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

bool SwayHotkeys::ConfigBinds(const std::string& config, const std::string& combination, const std::string& folder) {
  ConfigReader reader;
  reader.wanted = Canonical(combination, false);
  const std::string key = combination.substr(combination.rfind('+') + 1);
  const int code = key.size() == 1 ? LatinKeyCode(static_cast<char>(std::tolower(static_cast<unsigned char>(key[0])))) : 0;
  reader.wantedCode = Canonical(combination.substr(0, combination.rfind('+') + 1) + std::to_string(code), true);
  return reader.Binds(config, folder, 0);
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
  // sway parses a run-time binding's command again at each press: only a plain path goes through whole.
  return PlainPath(program) ? program + " " + option : "";
}

SwayHotkeys::Answer SwayHotkeys::Run(const std::string& command) {
  std::string reply;
  if (!Ask(socket_, kRunCommand, command, reply)) return Answer::None;
  // [{"success": true}] for each command; one false fails it.
  bool any = false;
  for (std::size_t at = reply.find("\"success\""); at != std::string::npos; at = reply.find("\"success\"", at + 1)) {
    const std::size_t value = reply.find_first_not_of(" :\t\r\n", at + 9);
    if (value == std::string::npos || reply[value] != 't') return Answer::Refused;
    any = true;
  }
  return any ? Answer::Done : Answer::Refused;
}

// Two bindings: by the key's symbol, which any keyboard that types the letter presses (an on-screen
// or virtual one included, with a keymap of its own), and --to-code, by the key that carries the
// letter in the first layout, so the shortcut works whichever layout is active (Russian chosen after
// English, say), as X11 grabs do. Where both match a press, sway runs the first it finds, once.
bool SwayHotkeys::Bind(const std::string& combination, const std::string& command) {
  for (const char* flags : {"", "--to-code "}) {
    const Answer answer = Run(std::string("bindsym ") + flags + combination + " exec " + command);
    if (answer == Answer::Done) continue;
    // No answer (slow, gone, a signal): sway may have made it all the same, and nothing would take
    // it away. Refused: the other half goes too, so the shortcut is wholly off.
    Unbind(combination);
    return false;
  }
  return true;
}

void SwayHotkeys::Unbind(const std::string& combination) {
  Run("unbindsym --to-code " + combination);
  Run("unbindsym " + combination);
}

bool SwayHotkeys::LoadedConfig(std::string& config, std::string& folder) {
  std::string reply;
  if (!Ask(socket_, kGetConfig, "", reply)) return false;
  const std::string file = SwayConfigFile(SwayPid(socket_));
  folder = file.empty() ? "." : file.substr(0, file.rfind('/'));
  config = JsonString(reply, "config");
  return true;
}

bool SwayHotkeys::RegisterHotKey(WindowHandle window, std::int32_t id, std::uint32_t modifiers, std::uint32_t vk) {
  if (!(vk >= 'A' && vk <= 'Z') && !(vk >= '0' && vk <= '9')) return false;
  if (bound_.count({window, id})) return false;  // as Windows: the identifier is taken
  const std::string combination = Combination(modifiers, vk);
  for (const auto& [key, held] : bound_)
    if (held.combination == combination) return false;  // already held by this program
  const ShortcutNaming naming = namer_ ? namer_(id) : ShortcutNaming{};
  const std::string command = naming.option.empty() ? "" : Command(program_, naming.option);
  if (command.empty()) return false;  // nothing a press could run, or nothing sway would run whole
  std::string config, folder;
  if (!LoadedConfig(config, folder) || ConfigBinds(config, combination, folder)) return false;  // no sway, or the user's own
  if (!Bind(combination, command)) return false;
  bound_[{window, id}] = Bound{combination, command};
  Watch();
  return true;
}

bool SwayHotkeys::UnregisterHotKey(WindowHandle window, std::int32_t id) {
  const auto found = bound_.find({window, id});
  if (found == bound_.end()) return false;
  Unbind(found->second.combination);
  bound_.erase(found);
  return true;
}

void SwayHotkeys::RemoveAll() {
  for (const auto& [key, held] : bound_) Unbind(held.combination);
  bound_.clear();
}

// A reload drops every binding made at run time; sway says so on the socket ("workspace" event,
// change "reload"), and the bindings are made again, unless the reloaded configuration now binds
// the combination itself: then it is the user's.
void SwayHotkeys::Watch() {
  if (watch_ >= 0 || !QCoreApplication::instance()) return;
  const int fd = Connect(socket_);
  std::string reply;
  std::uint32_t type = 0;
  if (fd < 0 || !Send(fd, kSubscribe, R"(["workspace"])") || !Receive(fd, type, reply) || type != kSubscribe ||
      reply.find("true") == std::string::npos) {
    if (fd >= 0) ::close(fd);
    return;
  }
  watch_ = fd;
  notifier_ = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { OnEvent(); });
}

void SwayHotkeys::StopWatching() {
  notifier_.reset();
  if (watch_ >= 0) ::close(watch_);
  watch_ = -1;
}

void SwayHotkeys::OnEvent() {
  std::uint32_t type = 0;
  std::string event;
  // sway writes each event whole; one that cannot be read means sway is gone.
  if (!Receive(watch_, type, event)) {
    StopWatching();
    return;
  }
  if (type != kWorkspaceEvent || JsonString(event, "change") != "reload") return;
  std::string config, folder;
  if (!LoadedConfig(config, folder)) return;
  for (auto it = bound_.begin(); it != bound_.end();) {
    if (ConfigBinds(config, it->second.combination, folder)) {
      std::fprintf(stderr, "Hushdial: sway's configuration now binds %s itself; Hushdial's shortcut there is off.\n",
                   it->second.combination.c_str());
      it = bound_.erase(it);
      continue;
    }
    if (!Bind(it->second.combination, it->second.command)) {
      std::fprintf(stderr, "Hushdial: sway did not take %s back after its reload; Hushdial's shortcut there is off.\n",
                   it->second.combination.c_str());
      it = bound_.erase(it);
      continue;
    }
    ++it;
  }
}

}  // namespace hush::platform::linux_backend
