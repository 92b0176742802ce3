// Settings files exchanged with the registry editor of the Wine prefix, the
// real writer and reader of the format: the file the monitor writes imports
// with every value's bytes, and the editor's own export (version 5.00,
// UTF-16LE) loads here with every value.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/registry/hive.h"
#include "platform/registry/registry_backend.h"
#include "platform/win32/system_registry.h"
#include "serial/stored_text.h"
#include "tests/support/unique_folder.h"
#include "tests/win32/raw_registry.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr const char* kKeyPath = "SYSTEM\\CurrentControlSet\\Services\\Korvane";
const std::string kFullKeyPath = std::string("HKEY_LOCAL_MACHINE\\") + kKeyPath;

struct StoredValue {
  const char* name;
  const char* text;
  std::size_t dataLength;
};

// Settings as a save stores them: each text with its terminator, cut or
// padded with zeros to the value's length.
const StoredValue kSettings[] = {
    {"Port1", "COM9", 8},      {"Port2", "COM12", 8},       {"Parity1", "EVEN", 22},
    {"BaudRate1", "9600", 12}, {"BaudRate2", "115200", 12}, {"POLLTIME", "25", 4},
    {"MEMSIZE", "4", 2},       {"DataBit1", "7", 2},        {"Disable", "1", 1},
};

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class RegeditExchange : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(removeLocalMachineKey(kKeyPath));
    folder = makeUniqueFolder("korvane-regedit-");
    ASSERT_FALSE(folder.empty());
  }
  void TearDown() override {
    removeLocalMachineKey(kKeyPath);
    std::filesystem::remove_all(folder);
  }
  std::filesystem::path folder;
};

TEST_F(RegeditExchange, OurFileImportsIntoTheRegistryWithEveryValuesBytes) {
  platform::Hive hive;
  platform::HiveKey& key = hive.ensureKey(kFullKeyPath);
  for (const StoredValue& value : kSettings) {
    key.setValue(value.name, platform::kRegSz, storedForm(value.text, value.dataLength));
  }
  const std::filesystem::path file = folder / "ours.reg";
  std::ofstream(file, std::ios::binary) << platform::formatHive(hive);

  ASSERT_EQ(runProgram("regedit /S \"" + file.string() + "\""), 0);
  for (const StoredValue& value : kSettings) {
    const auto imported = rawLocalMachineValue(kKeyPath, value.name);
    ASSERT_TRUE(imported.has_value()) << value.name;
    EXPECT_EQ(imported->type, platform::kRegSz) << value.name;
    // Terminator and filler arrive as written. The editor ends a text
    // that has no terminator (Disable's one byte) with one of its own;
    // the text read back is the same.
    Bytes expected = storedForm(value.text, value.dataLength);
    if (std::find(expected.begin(), expected.end(), 0) == expected.end()) expected.push_back(0);
    EXPECT_EQ(imported->data, expected) << value.name;
  }
}

TEST_F(RegeditExchange, TheEditorsExportLoadsWithEveryValue) {
  platform::win32::SystemRegistry registry;
  platform::RegistryKey key = platform::kNoRegistryKey;
  ASSERT_EQ(registry.createKey(platform::RegistryRoot::LocalMachine, kKeyPath, &key),
            platform::RegistryStatus::Ok);
  // Texts with their terminator, as the editor itself or "reg add" stores
  // them: its export writes a text value up to its terminator.
  for (const StoredValue& value : kSettings) {
    const Bytes data = storedForm(value.text, std::string(value.text).size() + 1);
    ASSERT_EQ(registry.setStringValue(key, value.name, data.data(),
                                      static_cast<std::uint32_t>(data.size())),
              platform::RegistryStatus::Ok);
  }
  registry.closeKey(key);

  const std::filesystem::path file = folder / "export.reg";
  ASSERT_EQ(runProgram("regedit /E \"" + file.string() + "\" \"" + kFullKeyPath + "\""), 0);
  const std::string exported = readFile(file);
  ASSERT_TRUE(exported.starts_with("\xFF\xFE")) << "the editor's default: UTF-16LE";

  std::string failure;
  const auto hive = platform::parseHive(exported, &failure);
  ASSERT_TRUE(hive.has_value()) << failure;
  const platform::HiveKey* loaded = hive->findKey(kFullKeyPath);
  ASSERT_NE(loaded, nullptr);
  for (const StoredValue& value : kSettings) {
    const platform::HiveValue* found = loaded->findValue(value.name);
    ASSERT_NE(found, nullptr) << value.name;
    EXPECT_EQ(found->type, platform::kRegSz) << value.name;
    EXPECT_EQ(found->data, storedForm(value.text, std::string(value.text).size() + 1))
        << value.name;
  }
}

}  // namespace
