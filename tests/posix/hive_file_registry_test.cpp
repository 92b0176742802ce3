#include "platform/posix/hive_file_registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "platform/posix/config_paths.h"
#include "temp_folder.h"

namespace {

using platform::RegistryKey;
using platform::RegistryRoot;
using platform::RegistryStatus;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* kPath = "SYSTEM\\CurrentControlSet\\Services\\Korvane";

class HiveFileRegistryTest : public ::testing::Test {
 protected:
  std::string file() const { return folder / "registry.reg"; }

  RegistryStatus setText(platform::RegistryBackend& reg, RegistryKey key, const std::string& name,
                         const Bytes& data) {
    return reg.setStringValue(key, name, data.data(), static_cast<std::uint32_t>(data.size()));
  }

  std::size_t filesInFolder() const {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path())) {
      ++count;
    }
    return count;
  }

  TempFolder folder;
};

TEST_F(HiveFileRegistryTest, WithoutAFileThereIsNoKeyAndNothingIsWritten) {
  platform::posix::HiveFileRegistry reg(file());
  RegistryKey key = 99;
  EXPECT_EQ(reg.openKeyFullAccess(RegistryRoot::LocalMachine, kPath, &key),
            RegistryStatus::NotFound);
  EXPECT_EQ(key, platform::kNoRegistryKey);
  EXPECT_FALSE(std::filesystem::exists(file()));
}

TEST_F(HiveFileRegistryTest, CreateAndWriteKeepExactBytesInAReadableFile) {
  platform::posix::HiveFileRegistry reg(folder / "sub/dir/registry.reg");
  RegistryKey key = platform::kNoRegistryKey;
  ASSERT_EQ(reg.createKey(RegistryRoot::LocalMachine, kPath, &key), RegistryStatus::Ok);
  ASSERT_EQ(setText(reg, key, "DataBit1", Bytes{'8', 0}), RegistryStatus::Ok);
  ASSERT_EQ(setText(reg, key, "MEMSIZE", Bytes{'1', '6'}), RegistryStatus::Ok);
  ASSERT_EQ(setText(reg, key, "DataBit1", Bytes{'7', 0}), RegistryStatus::Ok);
  reg.closeKey(key);
  EXPECT_EQ(readWholeFile(folder / "sub/dir/registry.reg"),
            "REGEDIT4\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Korvane]\r\n"
            "\"DataBit1\"=\"7\"\r\n"
            "\"MEMSIZE\"=hex(1):31,36\r\n"
            "\r\n");
  EXPECT_EQ(filesInFolder(), 1u) << "no temporary file is left behind";
}

TEST_F(HiveFileRegistryTest, QueriesReportTheDataLengthAndRefuseASmallBuffer) {
  writeWholeFile(
      file(),
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Korvane]"
      "\r\n\"Port1\"=hex(1):43,4f,4d,33,00,00,00,00\r\n");
  platform::posix::HiveFileRegistry reg(file());
  RegistryKey key = platform::kNoRegistryKey;
  ASSERT_EQ(reg.openKeyFullAccess(RegistryRoot::LocalMachine, kPath, &key), RegistryStatus::Ok);
  std::uint8_t buffer[8] = {};
  std::uint32_t length = 8;
  ASSERT_EQ(reg.queryValue(key, "port1", buffer, &length), RegistryStatus::Ok);
  EXPECT_EQ(length, 8u);
  EXPECT_EQ(Bytes(buffer, buffer + 8), (Bytes{'C', 'O', 'M', '3', 0, 0, 0, 0}));
  length = 7;
  EXPECT_EQ(reg.queryValue(key, "Port1", buffer, &length), RegistryStatus::MoreData);
  EXPECT_EQ(length, 8u);
  length = 8;
  EXPECT_EQ(reg.queryValue(key, "Port2", buffer, &length), RegistryStatus::NotFound);
  reg.closeKey(key);
  length = 8;
  EXPECT_EQ(reg.queryValue(key, "Port1", buffer, &length), RegistryStatus::Failed)
      << "a closed key reads nothing";
}

TEST_F(HiveFileRegistryTest, OtherKeysInTheFileAreKept) {
  writeWholeFile(file(), "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Someone]\r\n\"Keep\"=\"me\"\r\n");
  platform::posix::HiveFileRegistry reg(file());
  RegistryKey key = platform::kNoRegistryKey;
  ASSERT_EQ(reg.createKey(RegistryRoot::LocalMachine, kPath, &key), RegistryStatus::Ok);
  ASSERT_EQ(setText(reg, key, "Disable", Bytes{'0'}), RegistryStatus::Ok);
  const auto hive = platform::parseHive(readWholeFile(file()));
  ASSERT_TRUE(hive.has_value());
  ASSERT_EQ(hive->keys.size(), 2u);
  EXPECT_EQ(hive->keys[0].findValue("Keep")->data, (Bytes{'m', 'e', 0}));
}

TEST_F(HiveFileRegistryTest, AReadOnlyFileCannotBeOpenedForFullAccessNorChanged) {
  writeWholeFile(
      file(),
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Korvane]"
      "\r\n\"Port1\"=\"COM5\"\r\n");
  const std::string before = readWholeFile(file());
  chmod(file().c_str(), 0444);
  platform::posix::HiveFileRegistry reg(file());
  RegistryKey key = platform::kNoRegistryKey;
  EXPECT_EQ(reg.openKeyFullAccess(RegistryRoot::LocalMachine, kPath, &key),
            RegistryStatus::AccessDenied);
  EXPECT_EQ(reg.createKey(RegistryRoot::LocalMachine, kPath, &key), RegistryStatus::AccessDenied);

  // Reading needs no right to change the file.
  ASSERT_EQ(reg.openKeyForReading(RegistryRoot::LocalMachine, kPath, &key), RegistryStatus::Ok);
  std::uint8_t buffer[64];
  std::uint32_t length = sizeof buffer;
  ASSERT_EQ(reg.queryValue(key, "Port1", buffer, &length), RegistryStatus::Ok);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(buffer), length), std::string("COM5", 5));
  const std::uint8_t data[] = {'X', 0};
  EXPECT_EQ(reg.setStringValue(key, "Port1", data, 2), RegistryStatus::AccessDenied);
  reg.closeKey(key);
  EXPECT_EQ(readWholeFile(file()), before);
}

// A file this program cannot use is somebody's: it is told once, reads as
// holding no key and is never written over (it used to be replaced after a
// copy was kept; now every change is refused instead).
TEST_F(HiveFileRegistryTest, AFileThatCannotBeUsedIsToldOnceAndNeverReplaced) {
  struct Case {
    const char* what;
    std::function<void(const std::string&)> make;
    const char* fault;
  };
  const Case cases[] = {
      {"damaged",
       [](const std::string& path) {
         writeWholeFile(path, "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\X]\r\n\"Port1\"=oops\r\n");
       },
       "is not a registry file: line 3 is not understood: \"Port1\"=oops."},
      {"someone's text", [](const std::string& path) { writeWholeFile(path, "shopping list\n"); },
       "is not a registry file: it does not start with \"Windows Registry Editor Version 5.00\" "
       "or \"REGEDIT4\"."},
      {"a folder", [](const std::string& path) { std::filesystem::create_directory(path); },
       "is a folder, not a file."},
      {"a pipe", [](const std::string& path) { mkfifo(path.c_str(), 0600); },
       "is not a regular file."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove_all(file());
    c.make(file());
    const auto before = std::filesystem::status(file()).type();
    const std::string content =
        std::filesystem::is_regular_file(file()) ? readWholeFile(file()) : "";
    platform::posix::HiveFileRegistry reg(file());
    RegistryKey key = platform::kNoRegistryKey;
    EXPECT_NE(reg.openKeyForReading(RegistryRoot::LocalMachine, kPath, &key), RegistryStatus::Ok);
    EXPECT_EQ(reg.takeStoreFault(), "The settings file " + file() + " " + c.fault);
    EXPECT_EQ(reg.takeStoreFault(), "") << "told once";
    EXPECT_EQ(reg.createKey(RegistryRoot::LocalMachine, kPath, &key), RegistryStatus::AccessDenied);
    EXPECT_NE(reg.refusedChangeReason().find(c.fault), std::string::npos)
        << reg.refusedChangeReason();
    EXPECT_EQ(std::filesystem::status(file()).type(), before);
    if (!content.empty()) {
      EXPECT_EQ(readWholeFile(file()), content) << "left as it is";
    }
    EXPECT_EQ(filesInFolder(), 1u) << "no copy, no temporary file";
  }
  // Once mended, it is used, and a later fault is told again.
  std::filesystem::remove_all(file());
  writeWholeFile(file(), "REGEDIT4\r\n");
  platform::posix::HiveFileRegistry reg(file());
  EXPECT_EQ(reg.takeStoreFault(), "");
  writeWholeFile(file(), "junk");
  EXPECT_NE(reg.takeStoreFault(), "");
}

TEST_F(HiveFileRegistryTest, TheFileLocationFollowsTheEnvironment) {
  const char* homeBefore = std::getenv("HOME");
  const std::string home = homeBefore != nullptr ? homeBefore : "";
  setenv("XDG_CONFIG_HOME", folder.path().c_str(), 1);
  unsetenv("KORVANE_REGISTRY");
  EXPECT_EQ(platform::posix::hiveFilePath(), folder / "korvane/registry.reg");
  EXPECT_EQ(platform::posix::portsFolder(), folder / "korvane/ports");
  setenv("KORVANE_REGISTRY", (folder / "elsewhere.reg").c_str(), 1);
  EXPECT_EQ(platform::posix::hiveFilePath(), folder / "elsewhere.reg");
  unsetenv("KORVANE_REGISTRY");
  setenv("XDG_CONFIG_HOME", "relative/path", 1);
  setenv("HOME", folder.path().c_str(), 1);
  EXPECT_EQ(platform::posix::hiveFilePath(), folder / ".config/korvane/registry.reg")
      << "a relative XDG_CONFIG_HOME is ignored";
  unsetenv("XDG_CONFIG_HOME");
  setenv("HOME", home.c_str(), 1);
}

TEST_F(HiveFileRegistryTest, ARelativeSettingsFileIsTakenAgainstTheFolderCurrentAtStart) {
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  setenv("KORVANE_REGISTRY", "settings/monitor.reg", 1);
  const std::string path = platform::posix::hiveFilePath();
  unsetenv("KORVANE_REGISTRY");
  std::filesystem::current_path(before);
  EXPECT_EQ(path, folder / "settings/monitor.reg");
}

}  // namespace
