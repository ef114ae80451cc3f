// The settings file and the autostart entries, in temporary folders that stand in for the real ones.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "app/Form1.h"
#include "platform/failure.h"
#include "platform/linux/durable_file.h"
#include "platform/linux/ini_settings.h"
#include "platform/linux/linux_files.h"
#include "platform/linux/xdg_registry.h"
#include "system/RegStuff.h"
#include "system/mStartUp.h"
#include "tests/fake/fake_platform.h"

namespace hush {
namespace {

namespace fs = std::filesystem;
using platform::linux_backend::IniSettings;
using platform::linux_backend::LinuxFiles;
using platform::linux_backend::ReadWholeFile;
using platform::linux_backend::XdgRegistry;

// Points XDG_CONFIG_HOME and XDG_CONFIG_DIRS at a fresh temporary tree for one test.
class TempXdg : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/hushdial-xdg.XXXXXX";
    root = mkdtemp(pattern);
    Save("XDG_CONFIG_HOME", savedHome);
    Save("XDG_CONFIG_DIRS", savedDirs);
    setenv("XDG_CONFIG_HOME", (root / "home").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", ((root / "etc").string() + ":/etc/xdg").c_str(), 1);
  }
  void TearDown() override {
    Restore("XDG_CONFIG_HOME", savedHome);
    Restore("XDG_CONFIG_DIRS", savedDirs);
    fs::remove_all(root);
  }
  static void Save(const char* name, std::optional<std::string>& slot) {
    if (const char* v = std::getenv(name)) slot = v;
  }
  static void Restore(const char* name, const std::optional<std::string>& slot) {
    if (slot)
      setenv(name, slot->c_str(), 1);
    else
      unsetenv(name);
  }
  fs::path root;
  std::optional<std::string> savedHome, savedDirs;
};

using Settings = TempXdg;

TEST_F(Settings, ChoicesLandInTheIniFileAndSurviveANewStore) {
  {
    IniSettings store;
    store.SaveSetting("Brightfen", kProductName, "Combo1", "22");
    store.SaveSetting("Brightfen", kProductName, "Windows Startup", "On");
    store.SaveSetting("Brightfen", kProductName, "Combo1", "5");
  }
  const fs::path file = root / "home/Brightfen/Brightfen.ini";
  EXPECT_EQ(ReadWholeFile(file), std::string("[") + kProductName + "]\nCombo1=5\nWindows Startup=On\n");
  IniSettings again;
  EXPECT_EQ(again.GetSetting("Brightfen", kProductName, "Combo1", "16"), "5");
  EXPECT_EQ(again.GetSetting("Brightfen", kProductName, "Minimized", "Off"), "Off");
  EXPECT_EQ(again.GetSetting("Brightfen", "Other", "Combo1", "x"), "x");
}

TEST_F(Settings, AHandEditedFileIsReadAsWrittenAndKeptAroundTheChange) {
  const fs::path file = root / "home/Brightfen/Brightfen.ini";
  fs::create_directories(file.parent_path());
  std::ofstream(file) << "; my notes\n[Other]\nCombo1=9\n\n[ " << kProductName
                      << " ]\n  Combo1 = 25  \nMinimized=on\n# end\n";
  IniSettings store;
  EXPECT_EQ(store.GetSetting("Brightfen", kProductName, "Combo1", "16"), "25");
  EXPECT_EQ(store.GetSetting("Brightfen", kProductName, "Minimized", "Off"), "on");  // "on" is not "On"
  store.SaveSetting("Brightfen", kProductName, "Combo2", "3");
  store.SaveSetting("Brightfen", kProductName, "Combo1", "1");
  EXPECT_EQ(ReadWholeFile(file), std::string("; my notes\n[Other]\nCombo1=9\n\n[ ") + kProductName +
                                     " ]\nCombo1=1\nMinimized=on\nCombo2=3\n# end\n");
}

TEST_F(Settings, AKeyOfAnotherGroupAfterTheProductsIsNotTheProducts) {
  const fs::path file = root / "home/Brightfen/Brightfen.ini";
  fs::create_directories(file.parent_path());
  std::ofstream(file) << "[" << kProductName << "]\nCombo1=3\n[Later]\nCombo2=7\nMinimized=On\n";
  IniSettings store;
  EXPECT_EQ(store.GetSetting("Brightfen", kProductName, "Combo1", "16"), "3");
  EXPECT_EQ(store.GetSetting("Brightfen", kProductName, "Combo2", "0"), "0");  // the fallback, not 7
  EXPECT_EQ(store.GetSetting("Brightfen", kProductName, "Minimized", "Off"), "Off");
  store.SaveSetting("Brightfen", kProductName, "Combo2", "5");  // lands in the product's group
  IniSettings again;
  EXPECT_EQ(again.GetSetting("Brightfen", kProductName, "Combo2", "0"), "5");
  EXPECT_EQ(again.GetSetting("Brightfen", "Later", "Combo2", "0"), "7");
}

TEST_F(Settings, AValueCantBreakIntoANewEntry) {
  IniSettings store;
  store.SaveSetting("Brightfen", kProductName, "Combo1", "1\n[Evil]\nx=y");
  EXPECT_EQ(store.GetSetting("Brightfen", "Evil", "x", "none"), "none");
  EXPECT_EQ(store.GetSetting("Brightfen", kProductName, "Combo1", ""), "1 [Evil] x=y");
}

// The real store behind an otherwise fake program.
struct WithStore {
  fake::FakePlatform fp;
  IniSettings store;
  platform::Platform real{fp.box,      fp.audio, fp.mixer, fp.version,  fp.atoms, fp.hotkeys,
                          fp.messages, fp.timer, fp.window, store,      fp.registry, fp.files, fp.tray, fp.clock,
                          fp.codepage, fp.pictures};
};

// The real autostart entries and program files behind an otherwise fake program; made after the
// test has pointed the XDG variables where it wants them.
struct WithXdg {
  fake::FakePlatform fp;
  XdgRegistry registry;
  LinuxFiles files;
  platform::Platform real{fp.box,      fp.audio, fp.mixer,  fp.version,  fp.atoms, fp.hotkeys,
                          fp.messages, fp.timer, fp.window, fp.settings, registry, files,
                          fp.tray,     fp.clock, fp.codepage, fp.pictures};
};

TEST_F(Settings, FirstStartWritesTheDefaultsThroughTheSelectionHandling) {
  WithStore s;
  IniSettings& store = s.store;
  Form1 form{s.real};
  form.Form_Load();
  EXPECT_EQ(store.GetSetting("Brightfen", kProductName, "Combo1", ""), "16");
  EXPECT_EQ(store.GetSetting("Brightfen", kProductName, "Combo2", ""), "0");
  EXPECT_TRUE(form.Timer1.Running());
}

TEST_F(Settings, AFileWithJunkInItIsReadByTheRulesAndKeptAsItWas) {
  const fs::path file = root / "home/Brightfen/Brightfen.ini";
  fs::create_directories(file.parent_path());
  const char binary[] = "\x00\x01\xff\xfe binary\n";
  std::string junk(binary, sizeof binary - 1);
  junk += "\xc3\x28 invalid \xed\xa0\x80 UTF-8 =\xff\n";
  junk += std::string(1 << 20, 'x') + "=1 MB line\n";
  junk += "[Other]\nCombo2=9\n";
  junk += std::string("[") + kProductName + "]\nCombo1=1e309\nCombo2=0x10\nWindows Startup=\nMinimized= On\n";
  std::ofstream(file, std::ios::binary) << junk;
  WithStore s;
  Form1 form{s.real};
  form.Form_Load();
  EXPECT_EQ(form.Combo1.ListIndex(), 1);  // the number "1e309" begins with
  EXPECT_EQ(form.Combo2.ListIndex(), 0);  // "0x10" begins with 0
  EXPECT_EQ(form.Check4.Value(), 0);
  EXPECT_TRUE(s.fp.box.shown.empty());
  // Both choices were read back as positions and saved; the rest of the file is as it was.
  form.Combo1.SetListIndex(7);
  const std::string after = ReadWholeFile(file);
  EXPECT_EQ(after.substr(0, junk.find("[Other]")), junk.substr(0, junk.find("[Other]")));
  EXPECT_NE(after.find("Combo1=7\n"), std::string::npos);
  EXPECT_NE(after.find("[Other]\nCombo2=9\n"), std::string::npos);
}

TEST_F(Settings, ANumberTooLargeForAPositionGivesTheBoxAndTheStartGoesOn) {
  IniSettings().SaveSetting("Brightfen", kProductName, "Combo1", "-99999999999");
  WithStore s;
  Form1 form{s.real};
  form.Form_Load();
  ASSERT_EQ(s.fp.box.shown.size(), 1u);
  EXPECT_NE(s.fp.box.shown[0].text.find("Overflow"), std::string::npos);
  EXPECT_NE(s.fp.box.shown[0].text.find("at line 140"), std::string::npos);
  EXPECT_EQ(form.Combo2.ListIndex(), 0);
  EXPECT_TRUE(form.Timer1.Running());
}

TEST_F(Settings, AnUnwritableSettingsFolderLeavesTheChoicesInTheWindowOnly) {
  setenv("XDG_CONFIG_HOME", "/proc/self", 1);  // not writable, not even by root
  WithStore s;
  Form1 form{s.real};
  form.Form_Load();
  EXPECT_EQ(form.Combo1.ListIndex(), 16);
  form.Combo1.SetListIndex(3);
  EXPECT_EQ(form.Combo1.ListIndex(), 3);
  EXPECT_TRUE(s.fp.box.shown.empty());
  // Nowhere else either: the next start has the defaults again.
  WithStore next;
  Form1 again{next.real};
  again.Form_Load();
  EXPECT_EQ(again.Combo1.ListIndex(), 16);
}

TEST_F(Settings, AFullDiskWhileSavingLeavesThePreviousFileIntact) {
  IniSettings store;
  store.SaveSetting("Brightfen", kProductName, "Combo1", "5");
  const fs::path file = store.FileFor("Brightfen");
  const std::string before = ReadWholeFile(file);
  // A file-size limit stands in for the full disk: every write past it fails.
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  const auto savedSignal = signal(SIGXFSZ, SIG_IGN);
  rlimit tiny = saved;
  tiny.rlim_cur = 8;
  setrlimit(RLIMIT_FSIZE, &tiny);
  store.SaveSetting("Brightfen", kProductName, "Combo2", "12");
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, savedSignal);
  EXPECT_EQ(ReadWholeFile(file), before);
  std::size_t leftovers = 0;
  for (const auto& entry : fs::directory_iterator(file.parent_path())) leftovers += entry.path() != file;
  EXPECT_EQ(leftovers, 0u);  // no half-written temporary file
}

unsigned ModeOf(const fs::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

TEST_F(Settings, ANewFileIsReadableByAllAndARewriteKeepsTheUsersMode) {
  const mode_t saved = ::umask(077);
  IniSettings store;
  store.SaveSetting("Brightfen", kProductName, "Combo1", "5");
  const fs::path file = store.FileFor("Brightfen");
  EXPECT_EQ(ModeOf(file), 0644u);
  EXPECT_EQ(ModeOf(file.parent_path()), 0755u);
  ::chmod(file.c_str(), 0600);  // the user made it private
  store.SaveSetting("Brightfen", kProductName, "Combo2", "3");
  EXPECT_EQ(ModeOf(file), 0600u);
  ::umask(saved);
}

using Autostart = TempXdg;

TEST_F(Autostart, TheMachineWideEntryIsReadableByEveryUserWhateverTheUmask) {
  const mode_t saved = ::umask(077);
  WithXdg s;
  mStartUp::AddToStartUp(s.real);
  ::umask(saved);
  const fs::path entry = root / "etc/autostart" / (s.files.ProgramFileName() + ".desktop");
  EXPECT_EQ(ModeOf(entry), 0644u);
  EXPECT_EQ(ModeOf(entry.parent_path()), 0755u);
  EXPECT_EQ(ModeOf(root / "etc"), 0755u);
}

TEST_F(Autostart, TheEntryIsWrittenRewrittenAndRemoved) {
  WithXdg s;
  const fs::path entry = root / "etc/autostart" / (s.files.ProgramFileName() + ".desktop");
  mStartUp::AddToStartUp(s.real);
  ASSERT_TRUE(fs::exists(entry));
  const std::string text = ReadWholeFile(entry);
  EXPECT_EQ(text.rfind("[Desktop Entry]\nType=Application\n", 0), 0u);
  EXPECT_NE(text.find("\nExec=\"" + s.files.ProgramFolder() + "/" + s.files.ProgramFileName() + "\"\n"), std::string::npos)
      << text;
  // The entry reads back as the value that was written, so a later start can tell it names this program.
  platform::RegKey32 machine = platform::kHkeyLocalMachine;
  EXPECT_EQ(RegStuff::ReadKeyText(s.registry, machine, RegStuff::kRunKey, s.files.ProgramFileName()),
            RegStuff::RunCommand(s.files.ProgramFolder() + "/" + s.files.ProgramFileName()));
  std::ofstream(entry) << "stale";
  mStartUp::AddToStartUp(s.real);
  EXPECT_NE(ReadWholeFile(entry).find("Exec="), std::string::npos);
  EXPECT_FALSE(fs::exists(root / "home/autostart" / (s.files.ProgramFileName() + ".desktop")));
  mStartUp::RemoveFromStartUp(s.real);
  EXPECT_FALSE(fs::exists(entry));
  mStartUp::RemoveFromStartUp(s.real);  // nothing there: nothing happens
}

TEST_F(Autostart, RemovingMakesNoFoldersAndWritingMakesOnlyTheOneItWrites) {
  WithXdg s;
  mStartUp::RemoveFromStartUp(s.real);  // the option switched off on a fresh system
  EXPECT_FALSE(fs::exists(root / "etc/autostart"));
  EXPECT_FALSE(fs::exists(root / "home/autostart"));
  mStartUp::AddToStartUp(s.real);
  EXPECT_TRUE(fs::exists(root / "etc/autostart" / (s.files.ProgramFileName() + ".desktop")));
  EXPECT_FALSE(fs::exists(root / "home/autostart"));  // the user's folder is not needed
}

TEST_F(Autostart, WithoutWriteAccessToTheSystemFolderTheUsersEntryIsWritten) {
  // The machine-wide folder can't be made: its parent is a file.
  std::ofstream(root / "blocked") << "";
  setenv("XDG_CONFIG_DIRS", (root / "blocked").c_str(), 1);
  WithXdg s;
  mStartUp::AddToStartUp(s.real);
  const fs::path user = root / "home/autostart" / (s.files.ProgramFileName() + ".desktop");
  EXPECT_TRUE(fs::exists(user));
  mStartUp::RemoveFromStartUp(s.real);
  EXPECT_FALSE(fs::exists(user));
}

TEST_F(Autostart, OnlyTheRunKeyExistsAndValueNamesStayInsideTheFolder) {
  XdgRegistry registry;
  platform::RegKey32 key = 0;
  EXPECT_EQ(registry.RegOpenKeyExA(platform::kHkeyLocalMachine, "SOFTWARE\\Other", 0, 0x3F, &key),
            platform::kErrorFileNotFound);
  ASSERT_EQ(registry.RegOpenKeyExA(platform::kHkeyCurrentUser, "software\\microsoft\\windows\\currentversion\\run",
                                   0, 0x3F, &key),
            0);
  const std::uint8_t data[] = "/bin/true";
  EXPECT_EQ(registry.RegSetValueExA(key, "../escape", 0, platform::kRegSz, data, sizeof data),
            platform::kErrorInvalidParameter);
  EXPECT_EQ(registry.RegSetValueExA(key, "..", 0, platform::kRegSz, data, sizeof data),
            platform::kErrorInvalidParameter);
  EXPECT_FALSE(fs::exists(root / "home/escape.desktop"));
  EXPECT_EQ(registry.RegCloseKey(key), 0);
}

TEST(DesktopEntry, ExecIsQuotedAndEscaped) {
  EXPECT_EQ(XdgRegistry::ExecArgument("/opt/My Apps/hushdial"), "\"/opt/My Apps/hushdial\"");
  EXPECT_EQ(XdgRegistry::ExecArgument("/a/$b`c\"d"), "\"/a/\\\\$b\\\\`c\\\\\"d\"");
  EXPECT_EQ(XdgRegistry::ExecArgument("/a\\b"), "\"/a\\\\\\\\b\"");  // four backslashes in the file
  EXPECT_EQ(XdgRegistry::ExecArgument("/100%/x"), "\"/100%%/x\"");
  const std::string entry = XdgRegistry::DesktopEntry("hushdial", "\"/opt/My Apps/hushdial\"");
  EXPECT_NE(entry.find("\nExec=\"/opt/My Apps/hushdial\"\n"), std::string::npos) << entry;
}

TEST(ProgramFolderFiles, TheSkinAndCursorLookupsTakeNamesLiterallyAndOnlyNormalFiles) {
  char pattern[] = "/tmp/hushdial-files-XXXXXX";
  const std::filesystem::path root = mkdtemp(pattern);
  std::filesystem::create_directories(root / "x" / "o.cjs");  // a folder of that name
  std::ofstream(root / "x" / "a.cjs") << "skin";
  std::ofstream(root / "HAND-M.CUR") << "cursor";
  LinuxFiles files;
  EXPECT_EQ(files.Dir((root / "x" / "o.cjs").string()), "");
  EXPECT_EQ(files.Dir((root / "x" / "*.cjs").string()), "");  // no pattern matching
  EXPECT_EQ(files.Dir((root / "x" / "a.cjs").string()), "a.cjs");
  EXPECT_GT(files.FileDateTime((root / "HAND-M.CUR").string()), 0);
  EXPECT_THROW(files.FileDateTime((root / "missing.cur").string()), platform::Failure);
  // A program in the root folder: the doubled separator is taken as one.
  EXPECT_EQ(files.Dir(root.string() + "//HAND-M.CUR"), "HAND-M.CUR");
  std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace hush
