#include <gtest/gtest.h>

#include "system/RegStuff.h"
#include "system/mStartUp.h"
#include "tests/fake/fake_platform.h"

namespace hush {
namespace {

using fake::FakeRegistry;

class Registry : public ::testing::Test {
 protected:
  fake::FakePlatform fp;
  platform::RegKey32 machine = platform::kHkeyLocalMachine;
  FakeRegistry::KeyData& key = fp.registry.AddKey(platform::kHkeyLocalMachine, "SOFTWARE\\Test");
  platform::RegKey32 Open() {
    platform::RegKey32 handle = 0;
    fp.registry.RegOpenKeyExA(machine, "SOFTWARE\\Test", 0, 0x3F, &handle);
    return handle;
  }
};

TEST_F(Registry, TextValuesCarryTheirTerminator) {
  RegStuff::WriteKeyValue(fp.registry, machine, "SOFTWARE\\Test", "name", std::string("abc"), platform::kRegSz);
  RegStuff::WriteKeyValue(fp.registry, machine, "SOFTWARE\\Test", "empty", std::string(), platform::kRegSz);
  EXPECT_EQ(key.values["name"].data, (std::vector<std::uint8_t>{'a', 'b', 'c', 0}));
  EXPECT_EQ(key.values["empty"].data, (std::vector<std::uint8_t>{0}));
  RegStuff::WriteKeyValue(fp.registry, machine, "SOFTWARE\\Test", "number", std::int64_t{-7}, platform::kRegSz);
  EXPECT_EQ(key.values["number"].Text(), "-7");
  EXPECT_TRUE(fp.registry.open.empty());  // every key closed again
}

TEST_F(Registry, NumbersAreFourLittleEndianBytes) {
  const auto handle = Open();
  EXPECT_EQ(RegStuff::WriteTypedValue(fp.registry, handle, "n", platform::kRegDword, std::string(" 258 ")), 0);
  EXPECT_EQ(key.values["n"].data, (std::vector<std::uint8_t>{2, 1, 0, 0}));
  RegStuff::WriteTypedValue(fp.registry, handle, "m", platform::kRegDword, std::int64_t{-1});
  EXPECT_EQ(key.values["m"].data, (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF}));
  RegStuff::WriteTypedValue(fp.registry, handle, "h", platform::kRegDword, 2.5);
  EXPECT_EQ(key.values["h"].data, (std::vector<std::uint8_t>{2, 0, 0, 0}));
  EXPECT_THROW(RegStuff::WriteTypedValue(fp.registry, handle, "x", platform::kRegDword, std::string("abc")),
               std::exception);
  EXPECT_THROW(RegStuff::WriteTypedValue(fp.registry, handle, "x", platform::kRegDword, std::int64_t{1} << 31),
               std::exception);
  EXPECT_EQ(key.values.count("x"), 0u);
}

TEST_F(Registry, OtherTypesWriteNothing) {
  const auto handle = Open();
  fp.log.calls.clear();
  EXPECT_EQ(RegStuff::WriteTypedValue(fp.registry, handle, "b", 3, std::string("x")), 0);
  EXPECT_TRUE(fp.log.calls.empty());
}

TEST_F(Registry, MissingKeysAndValuesChangeNothingAndReportNothing) {
  RegStuff::WriteKeyValue(fp.registry, machine, "SOFTWARE\\Nowhere", "v", std::string("x"), platform::kRegSz);
  RegStuff::DeleteRegistryValue(fp.registry, machine, "SOFTWARE\\Nowhere", "v");
  RegStuff::DeleteRegistryValue(fp.registry, machine, "SOFTWARE\\Test", "absent");
  EXPECT_EQ(fp.registry.keys.size(), 1u);
  EXPECT_TRUE(key.values.empty());
  EXPECT_EQ(fp.log.Starting("RegOpenKeyExA").front(), "RegOpenKeyExA 2147483650 SOFTWARE\\Nowhere 0 63");
}

TEST_F(Registry, WritingAgainReplacesDataAndType) {
  RegStuff::WriteKeyValue(fp.registry, machine, "SOFTWARE\\Test", "v", std::string("old"), platform::kRegSz);
  RegStuff::WriteKeyValue(fp.registry, machine, "SOFTWARE\\Test", "v", std::int64_t{5}, platform::kRegDword);
  EXPECT_EQ(key.values["v"].type, platform::kRegDword);
  EXPECT_EQ(key.values["v"].data.size(), 4u);
}

class StartupEntry : public ::testing::Test {
 protected:
  void SetUp() override {
    fp.registry.AddKey(platform::kHkeyLocalMachine, RegStuff::kRunKey);
    fp.registry.AddKey(platform::kHkeyCurrentUser, RegStuff::kRunKey);
  }
  std::map<std::string, FakeRegistry::Value>& Run(platform::RegKey32 root) {
    return fp.registry.Find(root, RegStuff::kRunKey)->values;
  }
  fake::FakePlatform fp;
};

TEST_F(StartupEntry, NamesAndPointsToTheRunningProgram) {
  fp.files.folder = "D:\\Tools";
  fp.files.fileName = "Hushdial.exe";
  mStartUp::AddToStartUp(fp.platform);
  ASSERT_EQ(Run(platform::kHkeyLocalMachine).size(), 1u);
  EXPECT_EQ(Run(platform::kHkeyLocalMachine)["Hushdial.exe"].Text(), "D:\\Tools\\Hushdial.exe");
  EXPECT_TRUE(Run(platform::kHkeyCurrentUser).empty());
  mStartUp::RemoveFromStartUp(fp.platform);
  EXPECT_TRUE(Run(platform::kHkeyLocalMachine).empty());
}

TEST_F(StartupEntry, APathWithABlankIsQuoted) {
  mStartUp::AddToStartUp(fp.platform);
  EXPECT_EQ(Run(platform::kHkeyLocalMachine)["Hushdial.exe"].Text(), "\"C:\\Program Files\\Hushdial\\Hushdial.exe\"");
}

TEST_F(StartupEntry, FromADriveRootThereIsOneBackslash) {
  fp.files.folder = "E:\\";
  mStartUp::AddToStartUp(fp.platform);
  EXPECT_EQ(Run(platform::kHkeyLocalMachine)["Hushdial.exe"].Text(), "E:\\Hushdial.exe");
  fp.files.folder = "/opt/hushdial";
  fp.files.fileName = "hushdial";
  fp.files.separator = '/';
  mStartUp::AddToStartUp(fp.platform);
  EXPECT_EQ(Run(platform::kHkeyLocalMachine)["hushdial"].Text(), "/opt/hushdial/hushdial");
}

TEST_F(StartupEntry, AddingAgainBringsTheEntryUpToDate) {
  mStartUp::AddToStartUp(fp.platform);
  fp.files.folder = "C:\\Moved";
  mStartUp::AddToStartUp(fp.platform);
  EXPECT_EQ(Run(platform::kHkeyLocalMachine)["Hushdial.exe"].Text(), "C:\\Moved\\Hushdial.exe");
}

TEST_F(StartupEntry, WithoutRightsOnTheMachineKeyTheUsersOwnEntryIsWritten) {
  fp.registry.Find(platform::kHkeyLocalMachine, RegStuff::kRunKey)->writable = false;
  mStartUp::AddToStartUp(fp.platform);
  EXPECT_TRUE(Run(platform::kHkeyLocalMachine).empty());
  EXPECT_EQ(Run(platform::kHkeyCurrentUser)["Hushdial.exe"].Text(), "\"C:\\Program Files\\Hushdial\\Hushdial.exe\"");
  EXPECT_TRUE(fp.box.shown.empty());
  fp.registry.Find(platform::kHkeyLocalMachine, RegStuff::kRunKey)->writable = true;
  Run(platform::kHkeyLocalMachine)["Hushdial.exe"] = {platform::kRegSz, {'x', 0}};
  mStartUp::RemoveFromStartUp(fp.platform);  // off removes both
  EXPECT_TRUE(Run(platform::kHkeyLocalMachine).empty());
  EXPECT_TRUE(Run(platform::kHkeyCurrentUser).empty());
}

TEST_F(StartupEntry, AfterAnElevatedRunOnlyTheMachineWideEntryStartsTheProgram) {
  const std::string data = "\"C:\\Program Files\\Hushdial\\Hushdial.exe\"";
  Run(platform::kHkeyCurrentUser)["Hushdial.exe"] = {platform::kRegSz, {'o', 'l', 'd', 0}};
  mStartUp::AddToStartUp(fp.platform);  // the elevated run: machine-wide, and the user's copy goes
  EXPECT_EQ(Run(platform::kHkeyLocalMachine)["Hushdial.exe"].Text(), data);
  EXPECT_TRUE(Run(platform::kHkeyCurrentUser).empty());

  fp.registry.Find(platform::kHkeyLocalMachine, RegStuff::kRunKey)->writable = false;
  mStartUp::AddToStartUp(fp.platform);  // every normal start after it
  EXPECT_EQ(Run(platform::kHkeyLocalMachine)["Hushdial.exe"].Text(), data);
  EXPECT_TRUE(Run(platform::kHkeyCurrentUser).empty());

  // A machine-wide entry for a copy elsewhere doesn't start this one: the user's entry does.
  Run(platform::kHkeyLocalMachine)["Hushdial.exe"] = {platform::kRegSz, {'D', ':', '\\', 'x', 0}};
  mStartUp::AddToStartUp(fp.platform);
  EXPECT_EQ(Run(platform::kHkeyCurrentUser)["Hushdial.exe"].Text(), data);
}

TEST_F(StartupEntry, RemovingWhenThereIsNoEntryChangesNothing) {
  mStartUp::RemoveFromStartUp(fp.platform);
  EXPECT_TRUE(Run(platform::kHkeyLocalMachine).empty());
  fp.files.fileName.clear();  // no program file: nothing is done
  fp.log.calls.clear();
  mStartUp::AddToStartUp(fp.platform);
  EXPECT_TRUE(fp.log.calls.empty());
}

}  // namespace
}  // namespace hush
