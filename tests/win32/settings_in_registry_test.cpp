// The settings store over the Win32 registry, in the test run's own Wine
// prefix. Wine lets any user write HKEY_LOCAL_MACHINE, so a user without the
// right to save is not tested here; the hive-file tests on Linux cover it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "platform/headless/headless_window_system.h"
#include "platform/registry/registry_backend.h"
#include "platform/win32/system_registry.h"
#include "setup/setup_dlg.h"
#include "tests/win32/raw_registry.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr const char* kKeyPath = "SYSTEM\\CurrentControlSet\\Services\\Korvane";

Bytes bytes(const std::string& text) { return Bytes(text.begin(), text.end()); }

class SettingsInRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(removeLocalMachineKey(kKeyPath));
    headless::system().reset();
    resetProcessState();
    platform::installRegistryBackend(&registry);
  }
  void TearDown() override {
    platform::installRegistryBackend(nullptr);
    resetProcessState();
    removeLocalMachineKey(kKeyPath);
  }

  static void fill(PortSettings& s) {
    s.dataBit1 = "7";
    s.dataBit2 = "5";
    s.stopBit1 = "2";
    s.stopBit2 = "1";
    s.parity1 = "EVEN";
    s.parity2 = "SPACE";
    s.port1 = "COM12345";   // 8 characters: no room for a terminator
    s.port2 = "COM123456";  // 9: cut to 8
    s.baudRate1 = "9600";
    s.baudRate2 = "115200";
    s.pollTime = "25";
    s.memSize = "16";  // two digits, no terminator
  }

  platform::win32::SystemRegistry registry;
};

TEST_F(SettingsInRegistryTest, ASaveStoresEveryValueAsItsExactBytes) {
  CSetupDlg dlg;
  fill(dlg.m_settings);
  monitorState.portBDisabled = 1;
  dlg.saveSettings();
  EXPECT_TRUE(headless::system().messageBoxes().empty());

  // The stored form: the text and a terminator, cut or padded with zeros to
  // the value's fixed length.
  const struct {
    const char* name;
    Bytes stored;
  } expected[] = {
      {"DataBit1", {'7', 0}},
      {"DataBit2", {'5', 0}},
      {"StopBit1", {'2', 0}},
      {"StopBit2", {'1', 0}},
      {"Parity1", Bytes{'E', 'V', 'E', 'N', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"Parity2",
       Bytes{'S', 'P', 'A', 'C', 'E', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {"Port1", bytes("COM12345")},
      {"Port2", bytes("COM12345")},
      {"BaudRate1", Bytes{'9', '6', '0', '0', 0, 0, 0, 0, 0, 0, 0, 0}},
      {"BaudRate2", Bytes{'1', '1', '5', '2', '0', '0', 0, 0, 0, 0, 0, 0}},
      {"POLLTIME", Bytes{'2', '5', 0, 0}},
      {"MEMSIZE", bytes("16")},
      {"Disable", bytes("1")},
  };
  for (const auto& value : expected) {
    const auto raw = rawLocalMachineValue(kKeyPath, value.name);
    ASSERT_TRUE(raw.has_value()) << value.name;
    EXPECT_EQ(raw->type, platform::kRegSz) << value.name;
    EXPECT_EQ(raw->data, value.stored) << value.name;
  }
}

TEST_F(SettingsInRegistryTest, ASaveLoadsBackWithLongNamesCutToTheirStoredLength) {
  CSetupDlg saved;
  fill(saved.m_settings);
  monitorState.portBDisabled = 1;
  saved.saveSettings();

  resetProcessState();
  CSetupDlg loaded;
  loaded.loadSettings();
  PortSettings expected;
  fill(expected);
  expected.port2 = "COM12345";
  expected.disable = 1;
  const PortSettings& s = loaded.m_settings;
  EXPECT_EQ(s.dataBit1, expected.dataBit1);
  EXPECT_EQ(s.dataBit2, expected.dataBit2);
  EXPECT_EQ(s.stopBit1, expected.stopBit1);
  EXPECT_EQ(s.stopBit2, expected.stopBit2);
  EXPECT_EQ(s.parity1, expected.parity1);
  EXPECT_EQ(s.parity2, expected.parity2);
  EXPECT_EQ(s.port1, expected.port1);
  EXPECT_EQ(s.port2, expected.port2);
  EXPECT_EQ(s.baudRate1, expected.baudRate1);
  EXPECT_EQ(s.baudRate2, expected.baudRate2);
  EXPECT_EQ(s.pollTime, expected.pollTime);
  EXPECT_EQ(s.memSize, expected.memSize);
  EXPECT_EQ(s.disable, 1);
  EXPECT_EQ(monitorState.pollTimeMs, 25);
  EXPECT_EQ(monitorState.memSizeMB, 16);
  EXPECT_EQ(monitorState.portBDisabled, 1);
  EXPECT_EQ(monitorState.parityPart[0], 1 << 8);  // EVEN
  EXPECT_EQ(monitorState.baudPart[0], 6);         // 9600

  loaded.loadCaptureSettings();
  EXPECT_EQ(monitorState.memSizeMBLoaded, 16);
  EXPECT_EQ(monitorState.pollTimeMs, 25);
}

TEST_F(SettingsInRegistryTest, MissingValuesAndAMissingKeyGiveTheDefaults) {
  CSetupDlg withoutKey;
  withoutKey.loadSettings();
  EXPECT_EQ(withoutKey.m_settings.port1, "COM3");
  EXPECT_EQ(withoutKey.m_settings.baudRate2, "115200");
  EXPECT_EQ(monitorState.pollTimeMs, 10);
  EXPECT_FALSE(rawLocalMachineValue(kKeyPath, "Port1").has_value()) << "loading creates nothing";

  platform::RegistryKey key = platform::kNoRegistryKey;
  ASSERT_EQ(registry.createKey(platform::RegistryRoot::LocalMachine, kKeyPath, &key),
            platform::RegistryStatus::Ok);
  const Bytes port{'C', 'O', 'M', '7', 0};
  const Bytes parity{'M', 'A', 'R', 'K', 0};
  ASSERT_EQ(registry.setStringValue(key, "Port1", port.data(), 5), platform::RegistryStatus::Ok);
  ASSERT_EQ(registry.setStringValue(key, "Parity2", parity.data(), 5),
            platform::RegistryStatus::Ok);
  registry.closeKey(key);

  CSetupDlg partial;
  partial.loadSettings();
  EXPECT_EQ(partial.m_settings.port1, "COM7");
  EXPECT_EQ(partial.m_settings.parity2, "MARK");
  EXPECT_EQ(partial.m_settings.port2, "COM4");
  EXPECT_EQ(partial.m_settings.parity1, "NONE");
  EXPECT_EQ(partial.m_settings.memSize, "2");
  EXPECT_EQ(partial.m_settings.disable, 0);
  EXPECT_EQ(monitorState.parityPart[1], 3 << 8);

  // The backend's own query gives the length and refuses a short buffer.
  ASSERT_EQ(registry.openKeyForReading(platform::RegistryRoot::LocalMachine, kKeyPath, &key),
            platform::RegistryStatus::Ok);
  std::uint8_t buffer[64];
  std::uint32_t length = 3;
  EXPECT_EQ(registry.queryValue(key, "Port1", buffer, &length), platform::RegistryStatus::MoreData);
  length = sizeof buffer;
  EXPECT_EQ(registry.queryValue(key, "Port2", buffer, &length), platform::RegistryStatus::NotFound);
  registry.closeKey(key);
}

}  // namespace
