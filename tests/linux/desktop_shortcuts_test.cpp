// Shortcuts that the desktop runs as commands: GNOME's custom shortcuts (through GSettings, on its
// in-memory store with the media keys' settings compiled here) and sway's run-time bindings (against
// a small IPC server that answers as sway does); the claims that keep two copies apart, and the
// plain path a desktop is handed.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/gnome_hotkeys.h"
#include "platform/linux/runtime_folder.h"
#include "platform/linux/shortcut_claims.h"
#include "platform/linux/sway_hotkeys.h"

namespace hush::platform::linux_backend {
namespace {

constexpr WindowHandle kWindow = 1;
constexpr std::int32_t kRaise = 0xC001;
constexpr std::int32_t kLower = 0xC002;
constexpr std::uint32_t kCtrlShift = kModControl | kModShift;
const std::string kProgram = "/opt/Hush dial/hushdial";
const std::string kPlainProgram = "/opt/hushdial/bin/hushdial";

// A folder of its own for each test, removed after it.
struct Scratch {
  Scratch() {
    char name[] = "/tmp/hushdial-test-XXXXXX";
    path = mkdtemp(name);
  }
  ~Scratch() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  std::string path;
};

ShortcutNaming Name(std::int32_t id) {
  return id == kRaise ? ShortcutNaming{"raise-volume", "Raise the volume by one step", "--raise"}
                      : ShortcutNaming{"lower-volume", "Lower the volume by one step", "--lower"};
}

// ---- GNOME ----------------------------------------------------------------------------------------

const std::string kBase = GnomeHotkeys::kEntryBase;
// Each entry of ours is named by its combination, which one running copy holds.
std::string Own(const char* id, char letter) { return kBase + "hushdial-" + id + "-ctrl-shift-" + letter + "/"; }
const std::string kOwnRaise = Own("raise-volume", 'q');
const std::string kOwnLower = Own("lower-volume", 'a');
// Where an earlier release kept them, and a run of it that was killed left them.
const std::string kOldRaise = kBase + "hushdial-raise-volume/";
const std::string kOldLower = kBase + "hushdial-lower-volume/";
const std::string kUsers = kBase + "custom0/";

class Gnome : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static const std::string dir = [] {
      char name[] = "/tmp/hushdial-schemas-XXXXXX";
      const std::string made = mkdtemp(name);
      const std::string compile = "glib-compile-schemas --targetdir=" + made + " " HUSH_SOURCE_DIR "/tests/linux/data";
      return std::system(compile.c_str()) == 0 ? made : std::string();
    }();
    schemas_ = dir;
    // Before GIO first looks: it keeps the store and the schemas it found.
    setenv("GSETTINGS_BACKEND", "memory", 1);
    setenv("GSETTINGS_SCHEMA_DIR", dir.c_str(), 1);
  }
  void SetUp() override {
    if (schemas_.empty()) GTEST_SKIP() << "glib-compile-schemas is missing";
    SetList({});
  }
  static void TearDownTestSuite() {
    std::error_code ignored;
    if (!schemas_.empty()) std::filesystem::remove_all(schemas_, ignored);
  }

  static std::vector<std::string> List() {
    GSettings* s = g_settings_new(GnomeHotkeys::kListSchema);
    gchar** paths = g_settings_get_strv(s, GnomeHotkeys::kListKey);
    std::vector<std::string> all;
    for (gchar** p = paths; *p; ++p) all.emplace_back(*p);
    g_strfreev(paths);
    g_object_unref(s);
    return all;
  }
  static void SetList(const std::vector<std::string>& paths) {
    std::vector<const gchar*> raw;
    for (const auto& p : paths) raw.push_back(p.c_str());
    raw.push_back(nullptr);
    GSettings* s = g_settings_new(GnomeHotkeys::kListSchema);
    g_settings_set_strv(s, GnomeHotkeys::kListKey, raw.data());
    g_object_unref(s);
  }
  static std::string Get(const std::string& path, const char* key) {
    GSettings* s = g_settings_new_with_path(GnomeHotkeys::kEntrySchema, path.c_str());
    gchar* value = g_settings_get_string(s, key);
    std::string text = value;
    g_free(value);
    g_object_unref(s);
    return text;
  }
  static void Set(const std::string& path, const char* name, const char* command, const char* binding) {
    GSettings* s = g_settings_new_with_path(GnomeHotkeys::kEntrySchema, path.c_str());
    g_settings_set_string(s, "name", name);
    g_settings_set_string(s, "command", command);
    g_settings_set_string(s, "binding", binding);
    g_object_unref(s);
  }
  // As the timer tick arms: each identifier released, then registered.
  static std::pair<bool, bool> Arm(IHotkeys& hotkeys, char up, char down) {
    hotkeys.UnregisterHotKey(kWindow, kRaise);
    const bool raised = hotkeys.RegisterHotKey(kWindow, kRaise, kCtrlShift, static_cast<std::uint32_t>(up));
    hotkeys.UnregisterHotKey(kWindow, kLower);
    const bool lowered = hotkeys.RegisterHotKey(kWindow, kLower, kCtrlShift, static_cast<std::uint32_t>(down));
    return {raised, lowered};
  }

  static std::string schemas_;
};
std::string Gnome::schemas_;

TEST_F(Gnome, ArmingAddsBothAfterTheUsersOwnAndTheEndTakesOnlyOursAway) {
  Set(kUsers, "Terminal", "gnome-terminal", "<Control><Alt>t");
  SetList({kUsers});
  {
    GnomeHotkeys hotkeys(Name, kProgram);
    EXPECT_EQ(Arm(hotkeys, 'Q', 'A'), std::make_pair(true, true));
    EXPECT_EQ(List(), (std::vector<std::string>{kUsers, kOwnRaise, kOwnLower}));
    EXPECT_EQ(Get(kOwnRaise, "name"), "Raise the volume by one step");
    EXPECT_EQ(Get(kOwnRaise, "binding"), "<Control><Shift>q");
    // The daemon splits the command as a shell would: the folder's space stays in the path.
    EXPECT_EQ(Get(kOwnRaise, "command"), "'/opt/Hush dial/hushdial' --raise");
    EXPECT_EQ(Get(kOwnLower, "command"), "'/opt/Hush dial/hushdial' --lower");
    EXPECT_EQ(Get(kOwnLower, "binding"), "<Control><Shift>a");
  }
  EXPECT_EQ(List(), (std::vector<std::string>{kUsers}));
  EXPECT_EQ(Get(kUsers, "binding"), "<Control><Alt>t");
  EXPECT_EQ(Get(kUsers, "command"), "gnome-terminal");
  EXPECT_EQ(Get(kOwnRaise, "binding"), "");  // nothing of ours left in the store
}

TEST_F(Gnome, ALetterChangeMovesTheEntryAndTheSameLetterInBothListsRaises) {
  GnomeHotkeys hotkeys(Name, kProgram);
  Arm(hotkeys, 'Q', 'A');
  EXPECT_EQ(Arm(hotkeys, 'W', 'A'), std::make_pair(true, true));
  EXPECT_EQ(List(), (std::vector<std::string>{Own("raise-volume", 'w'), kOwnLower}));
  EXPECT_EQ(Get(Own("raise-volume", 'w'), "binding"), "<Control><Shift>w");
  EXPECT_EQ(Get(kOwnRaise, "binding"), "");
  // Both lists on Q: the increase shortcut has it, the decrease one is off, not left on its old key.
  EXPECT_EQ(Arm(hotkeys, 'Q', 'Q'), std::make_pair(true, false));
  EXPECT_EQ(List(), (std::vector<std::string>{kOwnRaise}));
  EXPECT_EQ(Get(kOwnRaise, "binding"), "<Control><Shift>q");
  EXPECT_FALSE(hotkeys.RegisterHotKey(kWindow, kRaise, kCtrlShift, 'E'));  // the identifier is taken
  EXPECT_FALSE(hotkeys.RegisterHotKey(kWindow, 7, kCtrlShift, '!'));      // not a letter or digit
}

TEST_F(Gnome, ACombinationTheUserBindsStaysTheirsHoweverTheyWroteIt) {
  Set(kUsers, "Mute", "amixer set Master toggle", "<Primary><Shift>Q");
  SetList({kUsers});
  GnomeHotkeys hotkeys(Name, kProgram);
  EXPECT_EQ(Arm(hotkeys, 'Q', 'A'), std::make_pair(false, true));
  EXPECT_EQ(List(), (std::vector<std::string>{kUsers, kOwnLower}));
  EXPECT_EQ(Get(kUsers, "command"), "amixer set Master toggle");
}

TEST_F(Gnome, EntriesLeftByAKilledRunAreTakenAwayNotDoubled) {
  // A run that was killed left both entries, on letters the user has changed since, and one of
  // them on the very combination this run arms.
  Scratch folder;
  ShortcutClaims claims(folder.path);
  Set(kUsers, "Terminal", "gnome-terminal", "<Control><Alt>t");
  Set(kOldRaise, "Raise the volume by one step", "'/usr/bin/hushdial' --raise", "<Control><Shift>z");
  Set(kOldLower, "Lower the volume by one step", "'/usr/bin/hushdial' --lower", "<Control><Shift>x");
  Set(kOwnRaise, "Raise the volume by one step", "true", "<Control><Shift>q");
  SetList({kOldRaise, kUsers, kOldLower, kOwnRaise});
  {
    GnomeHotkeys gnome(Name, kProgram, &claims);
    ClaimedHotkeys hotkeys(gnome, claims);
    EXPECT_EQ(Arm(hotkeys, 'Q', 'Z'), std::make_pair(true, true));  // Z is its own old key, not the user's
    const std::string lowerZ = Own("lower-volume", 'z');
    EXPECT_EQ(List(), (std::vector<std::string>{kUsers, kOwnRaise, lowerZ}));
    EXPECT_EQ(Get(kOwnRaise, "command"), "'/opt/Hush dial/hushdial' --raise");
    EXPECT_EQ(Get(lowerZ, "binding"), "<Control><Shift>z");
    EXPECT_EQ(Get(kOldRaise, "binding"), "");
  }
  EXPECT_EQ(List(), (std::vector<std::string>{kUsers}));
}

TEST_F(Gnome, ASecondCopyFindsTheFirstsCombinationsTakenAndNeverTouchesItsEntries) {
  Scratch folder;
  ShortcutClaims firstClaims(folder.path), secondClaims(folder.path);
  GnomeHotkeys firstGnome(Name, kProgram, &firstClaims);
  ClaimedHotkeys first(firstGnome, firstClaims);
  EXPECT_EQ(Arm(first, 'Q', 'A'), std::make_pair(true, true));
  // The user moves the first copy's raise entry in GNOME's settings: still the first copy's.
  Set(kOwnRaise, "Raise the volume by one step", "'/opt/Hush dial/hushdial' --raise", "F5");
  {
    GnomeHotkeys secondGnome(Name, "/usr/bin/hushdial", &secondClaims);
    ClaimedHotkeys second(secondGnome, secondClaims);
    EXPECT_EQ(Arm(second, 'Q', 'A'), std::make_pair(false, false));  // as on Windows: taken
    EXPECT_EQ(Arm(second, 'W', 'S'), std::make_pair(true, true));
    EXPECT_EQ(List().size(), 4u);
    secondGnome.RemoveAll();  // the second copy ends
  }
  EXPECT_EQ(List(), (std::vector<std::string>{kOwnRaise, kOwnLower}));
  EXPECT_EQ(Get(kOwnRaise, "command"), "'/opt/Hush dial/hushdial' --raise");
  firstGnome.RemoveAll();
  EXPECT_TRUE(List().empty());
}

TEST_F(Gnome, AnEntryGnomeCouldNotRunIsNotWrittenAndNotArmed) {
  // GSettings takes UTF-8 only: a Latin-1 folder name would leave the entry with no command.
  GnomeHotkeys hotkeys(Name, "/home/ren\xe9/hushdial");
  EXPECT_EQ(Arm(hotkeys, 'Q', 'A'), std::make_pair(false, false));
  // No path to run at all (no plain link could be made).
  GnomeHotkeys nothing(Name, "");
  EXPECT_EQ(Arm(nothing, 'Q', 'A'), std::make_pair(false, false));
  EXPECT_TRUE(List().empty());
  EXPECT_EQ(Get(kOwnRaise, "binding"), "");
}

TEST(GnomeAccelerators, TheSameCombinationHoweverWritten) {
  EXPECT_TRUE(GnomeHotkeys::SameCombination("<Control><Shift>q", "<Shift><Primary>Q"));
  EXPECT_TRUE(GnomeHotkeys::SameCombination("<Ctrl><Shift>q", "<Control><Shift>q"));
  EXPECT_TRUE(GnomeHotkeys::SameCombination("<Mod1>F2", "<Alt>f2"));
  EXPECT_FALSE(GnomeHotkeys::SameCombination("<Control>q", "<Control><Shift>q"));
  EXPECT_FALSE(GnomeHotkeys::SameCombination("<Control><Shift>q", "<Control><Shift>a"));
  EXPECT_FALSE(GnomeHotkeys::SameCombination("", ""));               // a disabled entry binds nothing
  EXPECT_FALSE(GnomeHotkeys::SameCombination("<Control", "<Control"));  // a broken one neither
  EXPECT_EQ(GnomeHotkeys::Binding(kCtrlShift, '7'), "<Control><Shift>7");
  EXPECT_EQ(GnomeHotkeys::Command("/home/o'neil/bin/hushdial", "--lower"), "'/home/o'\\''neil/bin/hushdial' --lower");
  // Which copy's an entry is comes from its name, which the user cannot change.
  EXPECT_EQ(GnomeHotkeys::ClaimOf(Own("raise-volume", 'q')), ShortcutClaims::Name(kCtrlShift, 'Q'));
  EXPECT_EQ(GnomeHotkeys::ClaimOf(kBase + "hushdial-x-ctrl-alt-super-7/"), "ctrl-alt-super-7");
  EXPECT_EQ(GnomeHotkeys::ClaimOf(kOldRaise), "");                       // an earlier release's: left over
  EXPECT_EQ(GnomeHotkeys::ClaimOf(kBase + "hushdial-raise-volume-q/"), "");  // no modifier: never ours
}

// ---- sway -----------------------------------------------------------------------------------------

// Answers as sway 1.7 does: RUN_COMMAND with one result per command, GET_CONFIG with the text of
// the configuration it loaded, GET_VERSION. Commands are recorded.
class SwayServer {
 public:
  explicit SwayServer(std::string config) : config_(std::move(config)) {
    char dir[] = "/tmp/hushdial-sway-XXXXXX";
    dir_ = mkdtemp(dir);
    path_ = dir_ + "/sway-ipc.sock";
    listener_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path_.c_str());
    bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener_, 8);
    thread_ = std::thread([this] { Serve(); });
  }
  ~SwayServer() {
    stop_ = true;
    ::shutdown(listener_, SHUT_RDWR);
    thread_.join();
    ::close(listener_);
    std::filesystem::remove_all(dir_);
  }
  const std::string& Path() const { return path_; }
  std::vector<std::string> Commands() {
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
  }
  std::atomic<bool> refuse{false};
  std::atomic<bool> mute{false};  // takes commands and answers none, as a sway that hangs or goes

 private:
  static bool Read(int fd, void* data, std::size_t size) {
    auto* at = static_cast<char*>(data);
    while (size > 0) {
      const ssize_t n = ::read(fd, at, size);
      if (n <= 0) return false;
      at += n;
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }
  static std::string Json(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
      if (c == '\n') out += "\\n";
      else if (c == '"') out += "\\\"";
      else if (c == '\\') out += "\\\\";
      else out += c;
    }
    return out + "\"";
  }
  void Serve() {
    while (!stop_) {
      const int fd = ::accept(listener_, nullptr, nullptr);
      if (fd < 0) return;
      char header[14];
      std::uint32_t size = 0, type = 0;
      if (Read(fd, header, sizeof header)) {
        std::memcpy(&size, header + 6, 4);
        std::memcpy(&type, header + 10, 4);
        std::string payload(size, '\0');
        Read(fd, payload.data(), size);
        std::string reply;
        if (type == 0) {
          std::lock_guard<std::mutex> lock(mutex_);
          commands_.push_back(payload);
          if (mute) {
            ::close(fd);
            continue;
          }
          reply = refuse ? R"([{"success": false, "parse_error": false, "error": "no"}])" : R"([{"success": true}])";
        } else if (type == 9) {
          reply = "{\"config\": " + Json(config_) + "}";
        } else {
          reply = R"({"major": 1, "minor": 7})";
        }
        std::string message = std::string("i3-ipc");
        const auto length = static_cast<std::uint32_t>(reply.size());
        message.append(reinterpret_cast<const char*>(&length), 4);
        message.append(reinterpret_cast<const char*>(&type), 4);
        message += reply;
        if (::write(fd, message.data(), message.size()) < 0) {
        }
      }
      ::close(fd);
    }
  }

  std::string config_, dir_, path_;
  int listener_ = -1;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::mutex mutex_;
  std::vector<std::string> commands_;
};

TEST(Sway, BindsAtArmingMovesOnAChangeAndUnbindsAtTheEnd) {
  SwayServer sway("set $mod Mod4\nbindsym $mod+Return exec foot\n");
  {
    SwayHotkeys hotkeys(Name, kPlainProgram, sway.Path());
    EXPECT_TRUE(hotkeys.RegisterHotKey(kWindow, kRaise, kCtrlShift, 'Q'));
    EXPECT_TRUE(hotkeys.RegisterHotKey(kWindow, kLower, kCtrlShift, 'A'));
    EXPECT_FALSE(hotkeys.RegisterHotKey(kWindow, 9, kCtrlShift, 'A'));  // held by this program already
    EXPECT_TRUE(hotkeys.UnregisterHotKey(kWindow, kRaise));
    EXPECT_TRUE(hotkeys.RegisterHotKey(kWindow, kRaise, kCtrlShift, 'W'));
    EXPECT_FALSE(hotkeys.UnregisterHotKey(kWindow, 9));
  }
  // By symbol and by key code (--to-code), so a Russian layout chosen after the Latin one keeps them working.
  const std::string raiseQ = "Ctrl+Shift+q exec /opt/hushdial/bin/hushdial --raise";
  const std::string lowerA = "Ctrl+Shift+a exec /opt/hushdial/bin/hushdial --lower";
  const std::string raiseW = "Ctrl+Shift+w exec /opt/hushdial/bin/hushdial --raise";
  EXPECT_EQ(sway.Commands(), (std::vector<std::string>{
                                 "bindsym " + raiseQ, "bindsym --to-code " + raiseQ,
                                 "bindsym " + lowerA, "bindsym --to-code " + lowerA,
                                 "unbindsym --to-code Ctrl+Shift+q", "unbindsym Ctrl+Shift+q",
                                 "bindsym " + raiseW, "bindsym --to-code " + raiseW,
                                 "unbindsym --to-code Ctrl+Shift+w", "unbindsym Ctrl+Shift+w",
                                 "unbindsym --to-code Ctrl+Shift+a", "unbindsym Ctrl+Shift+a",
                             }));
}

TEST(Sway, ACombinationTheConfigurationBindsIsLeftAloneAndSilent) {
  SwayServer sway("set $mod Control\n# bindsym Ctrl+Shift+a exec nothing\nbindsym --release $mod+Shift+Q kill\n");
  SwayHotkeys hotkeys(Name, kPlainProgram, sway.Path());
  EXPECT_FALSE(hotkeys.RegisterHotKey(kWindow, kRaise, kCtrlShift, 'Q'));
  EXPECT_TRUE(hotkeys.RegisterHotKey(kWindow, kLower, kCtrlShift, 'A'));  // only commented out there
  EXPECT_EQ(sway.Commands(), (std::vector<std::string>{
                                 "bindsym Ctrl+Shift+a exec /opt/hushdial/bin/hushdial --lower",
                                 "bindsym --to-code Ctrl+Shift+a exec /opt/hushdial/bin/hushdial --lower",
                             }));
}

TEST(Sway, ARefusedBindingOrASwayThatIsGoneLeavesTheShortcutOffAndNothingBound) {
  SwayServer sway("");
  sway.refuse = true;
  SwayHotkeys refused(Name, kPlainProgram, sway.Path());
  EXPECT_FALSE(refused.RegisterHotKey(kWindow, kRaise, kCtrlShift, 'Q'));
  EXPECT_FALSE(refused.UnregisterHotKey(kWindow, kRaise));  // nothing to take away
  SwayHotkeys gone(Name, kPlainProgram, "/nonexistent/sway-ipc.sock");
  EXPECT_FALSE(gone.RegisterHotKey(kWindow, kRaise, kCtrlShift, 'Q'));
  std::string reply;
  EXPECT_FALSE(SwayHotkeys::Ask(std::string(200, 'x'), 7, "", reply));  // longer than a socket path can be
  // A sway that takes the command and closes without an answer may have bound it: it is unbound
  // again, and the program is not ended by the closed socket (SIGPIPE).
  SwayServer silent("");
  silent.mute = true;
  SwayHotkeys unanswered(Name, kPlainProgram, silent.Path());
  EXPECT_FALSE(unanswered.RegisterHotKey(kWindow, kRaise, kCtrlShift, 'Q'));
  EXPECT_EQ(silent.Commands(), (std::vector<std::string>{
                                   "bindsym Ctrl+Shift+q exec /opt/hushdial/bin/hushdial --raise",
                                   "unbindsym --to-code Ctrl+Shift+q",
                                   "unbindsym Ctrl+Shift+q",
                               }));
}

TEST(Sway, APathSwayWouldParseIsNeverHandedToIt) {
  SwayServer sway("");
  for (const std::string folder : {"/opt/Hush dial", "/opt/a;exec touch x", "/opt/a,b", "/opt/$(id)", "/opt/`id`",
                                   "/opt/o'neil", "/opt/a\nb", "/opt/caf\xc3\xa9", "/opt/ren\xe9"}) {
    SwayHotkeys hotkeys(Name, folder + "/hushdial", sway.Path());
    EXPECT_FALSE(hotkeys.RegisterHotKey(kWindow, kRaise, kCtrlShift, 'Q')) << folder;
  }
  EXPECT_TRUE(sway.Commands().empty());
}

TEST(SwayConfiguration, BindingsAreFoundHoweverTheUserWroteThem) {
  const std::string config =
      "set $mod Mod4\n"
      "set $shift Shift\n"
      "bindsym $mod+$shift+e exit\n"
      "bindsym {\n"
      "    Control+Shift+1 workspace 1\n"
      "    --locked Ctrl+shift+m exec pactl set-sink-mute @DEFAULT_SINK@ toggle\n"
      "}\n"
      "mode \"resize\" {\n"
      "    bindsym Mod1+Ctrl+r mode default\n"
      "}\n"
      "bindsym --to-code Ctrl+Shift+Z exec foot\n";
  EXPECT_TRUE(SwayHotkeys::ConfigBinds(config, "Mod4+Shift+e"));
  EXPECT_TRUE(SwayHotkeys::ConfigBinds(config, "Ctrl+Shift+1"));
  EXPECT_TRUE(SwayHotkeys::ConfigBinds(config, "Ctrl+Shift+m"));
  EXPECT_TRUE(SwayHotkeys::ConfigBinds(config, "Ctrl+Mod1+r"));
  EXPECT_TRUE(SwayHotkeys::ConfigBinds(config, "Ctrl+Shift+z"));
  EXPECT_FALSE(SwayHotkeys::ConfigBinds(config, "Ctrl+Shift+e"));
  EXPECT_FALSE(SwayHotkeys::ConfigBinds(config, "Ctrl+Shift+q"));
  EXPECT_FALSE(SwayHotkeys::ConfigBinds("", "Ctrl+Shift+q"));
  EXPECT_EQ(SwayHotkeys::JsonString(R"({"config": "a\n\"b\"\\c\u0041"})", "config"), "a\n\"b\"\\cA");
  EXPECT_EQ(SwayHotkeys::JsonString(R"({"other": 1})", "config"), "");
}

TEST(SwayConfiguration, IncludesVariablesKeyCodesAndModesAsSwayReadsThem) {
  Scratch folder;
  std::filesystem::create_directories(folder.path + "/config.d");
  const auto write = [&](const std::string& name, const std::string& text) {
    std::ofstream(folder.path + "/" + name) << text;
  };
  // Debian's configuration ends with "include /etc/sway/config.d/*"; a user's may include relatively.
  write("config.d/50-media", "bindsym $ctl+Shift+v exec pavucontrol\ninclude ../more/*.conf\n");
  std::filesystem::create_directories(folder.path + "/more");
  write("more/keys.conf", "bindcode Ctrl+Shift+24 exec foot\ninclude ../config.d/*\n");  // 24: the Q key
  write("config.d/60-bar", "bar {\n  bindsym Ctrl+Shift+b exec nothing\n}\n");
  const std::string config =
      "set $c Mod4\n"
      "set $ctl Ctrl\n"  // "$ctl" is Ctrl, not "$c" followed by "tl"
      "mode resize bindsym $ctl+Shift+r mode default\n"
      "include config.d/*\n";
  EXPECT_TRUE(SwayHotkeys::ConfigBinds(config, "Ctrl+Shift+v", folder.path));
  EXPECT_TRUE(SwayHotkeys::ConfigBinds(config, "Ctrl+Shift+q", folder.path));  // by its key code
  EXPECT_TRUE(SwayHotkeys::ConfigBinds(config, "Ctrl+Shift+r", folder.path));
  EXPECT_FALSE(SwayHotkeys::ConfigBinds(config, "Ctrl+Shift+b", folder.path));  // the bar's, of mouse and bar
  EXPECT_FALSE(SwayHotkeys::ConfigBinds(config, "Ctrl+Shift+a", folder.path));
  EXPECT_FALSE(SwayHotkeys::ConfigBinds(config, "Ctrl+Shift+v", folder.path + "/nowhere"));
  // A configuration in a folder whose name a shell would split or quote.
  const std::string odd = folder.path + "/it's my conf|x";
  std::filesystem::create_directories(odd + "/config.d");
  std::ofstream(odd + "/config.d/keys") << "bindsym Ctrl+Shift+k exec foot\n";
  EXPECT_TRUE(SwayHotkeys::ConfigBinds("include config.d/*\n", "Ctrl+Shift+k", odd));
  // Nothing of an include runs: a command in it stays text.
  EXPECT_FALSE(SwayHotkeys::ConfigBinds("include $(touch " + folder.path + "/ran)\n", "Ctrl+Shift+q", folder.path));
  EXPECT_FALSE(std::filesystem::exists(folder.path + "/ran"));
}

// ---- two copies, and the path a desktop runs ---------------------------------------------------------

TEST(Claims, ALiveCopyHoldsItsCombinationAndAKilledOneHoldsNothing) {
  Scratch folder;
  ShortcutClaims first(folder.path), second(folder.path);
  EXPECT_TRUE(first.Claim("ctrl-shift-q"));
  EXPECT_FALSE(second.Claim("ctrl-shift-q"));
  EXPECT_TRUE(second.HeldElsewhere("ctrl-shift-q"));
  EXPECT_FALSE(first.HeldElsewhere("ctrl-shift-q"));  // its own
  EXPECT_TRUE(second.Claim("ctrl-shift-a"));
  first.Release("ctrl-shift-q");
  EXPECT_FALSE(second.HeldElsewhere("ctrl-shift-q"));
  EXPECT_TRUE(second.Claim("ctrl-shift-q"));

  // A copy killed while it holds one: the kernel lets it go.
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  if (child == 0) {
    ShortcutClaims killed(folder.path);
    const char held = killed.Claim("ctrl-shift-w") ? 'y' : 'n';
    if (write(ready[1], &held, 1) != 1) _exit(1);
    pause();
    _exit(0);
  }
  char held = 0;
  ASSERT_EQ(read(ready[0], &held, 1), 1);
  EXPECT_EQ(held, 'y');
  EXPECT_TRUE(first.HeldElsewhere("ctrl-shift-w"));
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  EXPECT_FALSE(first.HeldElsewhere("ctrl-shift-w"));
  EXPECT_TRUE(first.Claim("ctrl-shift-w"));
}

TEST(Claims, BothEndedNothingIsLeft) {
  Scratch folder;
  {
    ShortcutClaims first(folder.path), second(folder.path);
    first.Claim("ctrl-shift-q");
    second.Claim("ctrl-shift-a");
  }
  EXPECT_TRUE(std::filesystem::is_empty(folder.path));
  ShortcutClaims nowhere("/nonexistent/folder");  // no claims to be had: as before there were any
  EXPECT_TRUE(nowhere.Claim("ctrl-shift-q"));
}

TEST(PlainPath, AFolderNameADesktopWouldParseIsReachedThroughALinkOfThisCopysOwn) {
  Scratch folder, home;
  EXPECT_EQ(PlainProgram("/usr/bin/hushdial", folder.path).Path(), "/usr/bin/hushdial");
  const std::string odd = home.path + "/it's $(touch ran); a,b `x`\n\xe9";
  std::filesystem::create_directories(odd);
  const std::string program = odd + "/hushdial";
  std::ofstream(program) << "#!/bin/sh\n";
  // A link a killed copy left (its lock held by nobody) goes.
  const std::string left = folder.path + "/hushdial-Ab12Cd";
  ASSERT_EQ(symlink(program.c_str(), left.c_str()), 0);
  std::ofstream(left + ".lock") << "";
  {
    PlainProgram first(program, folder.path);
    EXPECT_TRUE(PlainPath(first.Path())) << first.Path();
    EXPECT_EQ(std::filesystem::read_symlink(first.Path()).string(), program);
    EXPECT_FALSE(std::filesystem::is_symlink(left));
    EXPECT_FALSE(std::filesystem::exists(left + ".lock"));
    // A second copy's link is its own, and never takes the first's away.
    PlainProgram second(program, folder.path);
    EXPECT_NE(second.Path(), first.Path());
    EXPECT_TRUE(std::filesystem::is_symlink(first.Path()));
  }
  EXPECT_TRUE(std::filesystem::is_empty(folder.path)) << "a link outlived its copy";
  EXPECT_FALSE(PlainPath("relative/hushdial"));
  EXPECT_FALSE(PlainPath("/opt/a b/hushdial"));
}

}  // namespace
}  // namespace hush::platform::linux_backend
