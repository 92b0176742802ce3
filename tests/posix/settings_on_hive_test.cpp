// The settings store and port access of the monitor over the hive file and
// real pseudo-terminals, as the desktop runs them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>

#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "platform/comm/comm_backend.h"
#include "platform/headless/headless_window_system.h"
#include "platform/posix/config_paths.h"
#include "platform/posix/hive_file_registry.h"
#include "platform/posix/serial_device.h"
#include "pty_line.h"
#include "setup/setup_dlg.h"
#include "temp_folder.h"

namespace {

constexpr const char* kKeyLine =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Korvane]\r\n";

class SettingsOnHiveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder.path().empty());
    setenv("XDG_CONFIG_HOME", folder.path().c_str(), 1);
    unsetenv("KORVANE_REGISTRY");
    headless::system().reset();
    resetProcessState();
    registry = std::make_unique<platform::posix::HiveFileRegistry>(platform::posix::hiveFilePath());
    devices = std::make_unique<platform::posix::SerialDevices>(platform::posix::portsFolder());
    platform::installRegistryBackend(registry.get());
    platform::installCommBackend(devices.get());
  }
  void TearDown() override {
    CSetupDlg().closeAllPorts();
    platform::installRegistryBackend(nullptr);
    platform::installCommBackend(nullptr);
    resetProcessState();
    unsetenv("XDG_CONFIG_HOME");
  }

  std::string hiveFile() const { return platform::posix::hiveFilePath(); }
  void writeHive(const std::string& values) {
    std::filesystem::create_directories(platform::posix::korvaneConfigDir());
    writeWholeFile(hiveFile(), std::string("REGEDIT4\r\n\r\n") + kKeyLine + values);
  }

  TempFolder folder;
  std::unique_ptr<platform::posix::HiveFileRegistry> registry;
  std::unique_ptr<platform::posix::SerialDevices> devices;
};

TEST_F(SettingsOnHiveTest, WithoutAFileTheDefaultsStandAndNoFileAppears) {
  CSetupDlg dlg;
  dlg.loadSettings();
  EXPECT_EQ(dlg.m_settings.port1, "COM3");
  EXPECT_EQ(dlg.m_settings.baudRate2, "115200");
  EXPECT_EQ(monitorState.baudPart[0], 12);
  dlg.loadCaptureSettings();
  EXPECT_EQ(monitorState.memSizeMBLoaded, 2);
  EXPECT_EQ(monitorState.pollTimeMs, 10);
  EXPECT_FALSE(std::filesystem::exists(hiveFile()));
}

TEST_F(SettingsOnHiveTest, SaveWritesEveryValueAsItsExactBytes) {
  CSetupDlg dlg;
  dlg.applyDefaultSettings();
  dlg.m_settings.memSize = "16";
  dlg.m_settings.port1 = "ttyUSB10";
  dlg.m_settings.parity2 = "EVEN";
  dlg.saveSettings();
  EXPECT_EQ(readWholeFile(hiveFile()),
            std::string("REGEDIT4\r\n\r\n") + kKeyLine +
                "\"DataBit1\"=\"8\"\r\n"
                "\"DataBit2\"=\"8\"\r\n"
                "\"StopBit1\"=\"1\"\r\n"
                "\"StopBit2\"=\"1\"\r\n"
                "\"Parity1\"=hex(1):4e,4f,4e,45,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,"
                "00,00,00\r\n"
                "\"Parity2\"=hex(1):45,56,45,4e,00,00,00,00,00,00,00,00,00,00,00,00,00,00,00,"
                "00,00,00\r\n"
                "\"Port1\"=hex(1):74,74,79,55,53,42,31,30\r\n"
                "\"Port2\"=hex(1):43,4f,4d,34,00,00,00,00\r\n"
                "\"BaudRate1\"=hex(1):31,31,35,32,30,30,00,00,00,00,00,00\r\n"
                "\"BaudRate2\"=hex(1):31,31,35,32,30,30,00,00,00,00,00,00\r\n"
                "\"POLLTIME\"=hex(1):31,30,00,00\r\n"
                "\"MEMSIZE\"=hex(1):31,36\r\n"
                "\"Disable\"=hex(1):30\r\n"
                "\r\n");
  EXPECT_TRUE(headless::system().messageBoxes().empty());

  CSetupDlg loaded;
  loaded.loadSettings();
  EXPECT_EQ(loaded.m_settings.memSize, "16");
  EXPECT_EQ(loaded.m_settings.port1, "ttyUSB10");
  EXPECT_EQ(loaded.m_settings.parity2, "EVEN");
  EXPECT_EQ(monitorState.parityPart[1], 1 << 8);
  loaded.loadCaptureSettings();
  EXPECT_EQ(monitorState.memSizeMBLoaded, 16);
}

TEST_F(SettingsOnHiveTest, AHandWrittenFileWithAMissingAndAnOverLongValue) {
  writeHive("\"Port1\"=\"" + std::string(64, 'p') +
            "\"\r\n"  // 65 bytes with terminator
            "\"Port2\"=\"" +
            std::string(63, 'q') +
            "\"\r\n"  // exactly 64
            "\"Parity2\"=\"MARK\"\r\n"
            "\"Disable\"=\"1\"\r\n");
  CSetupDlg dlg;
  dlg.loadSettings();
  EXPECT_EQ(dlg.m_settings.port1, "COM3") << "longer than 64 bytes counts as missing";
  EXPECT_EQ(dlg.m_settings.port2, std::string(63, 'q'));
  EXPECT_EQ(dlg.m_settings.parity1, "NONE") << "no Parity1 in the file";
  EXPECT_EQ(monitorState.parityPart[0], 0);
  EXPECT_EQ(monitorState.parityPart[1], 3 << 8);
  EXPECT_EQ(monitorState.portBDisabled, 1);
}

TEST_F(SettingsOnHiveTest, AReadOnlyFileGivesItsSettingsAndASaveTellsTheUserWhy) {
  writeHive("\"Port1\"=\"COM9\"\r\n\"POLLTIME\"=\"50\"\r\n");
  chmod(hiveFile().c_str(), 0444);
  const std::string before = readWholeFile(hiveFile());
  CSetupDlg dlg;
  dlg.loadSettings();
  EXPECT_EQ(dlg.m_settings.port1, "COM9") << "a file that may only be read still loads";
  EXPECT_EQ(monitorState.pollTimeMs, 50);
  dlg.m_settings.pollTime = "20";
  dlg.saveSettings();
  ASSERT_EQ(headless::system().messageBoxes().size(), 1u);
  EXPECT_EQ(headless::system().messageBoxes()[0].text, "Can not Save Setup");
  EXPECT_NE(headless::system().messageBoxes()[0].detail.find("The settings file " + hiveFile()),
            std::string::npos)
      << "the file that refused is named: " << headless::system().messageBoxes()[0].detail;
  EXPECT_EQ(monitorState.pollTimeMs, 20);
  EXPECT_EQ(readWholeFile(hiveFile()), before);
}

// A file that cannot be used is told once at start, the defaults stand for
// the run and a save is refused with the reason; the file stays as it was
// (it used to be replaced by the saved settings after a copy was kept).
TEST_F(SettingsOnHiveTest, AnUnusableFileIsToldOnceAndTheDefaultsStandForTheRun) {
  std::filesystem::create_directories(platform::posix::korvaneConfigDir());
  const std::string corrupt = "REGEDIT4\r\n" + std::string(kKeyLine) + "\"Port1\"=\"COM9\r\n";
  writeWholeFile(hiveFile(), corrupt);
  CSetupDlg dlg;
  dlg.loadCaptureSettings();
  dlg.loadSettings();
  EXPECT_EQ(dlg.m_settings.port1, "COM3");
  const auto& boxes = headless::system().messageBoxes();
  ASSERT_EQ(boxes.size(), 1u) << "told once, though loaded twice";
  EXPECT_EQ(boxes[0].text, "The settings file " + hiveFile() +
                               " is not a registry file: line 3 is not understood: "
                               "\"Port1\"=\"COM9.");
  EXPECT_EQ(boxes[0].caption, "KORVANE");
  EXPECT_EQ(boxes[0].owner, platform::kNoWindow);
  EXPECT_NE(boxes[0].detail.find("default settings this time"), std::string::npos);

  dlg.saveSettings();
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_EQ(boxes[1].text, "Can not Save Setup");
  EXPECT_NE(boxes[1].detail.find("It is left as it is"), std::string::npos) << boxes[1].detail;
  EXPECT_EQ(readWholeFile(hiveFile()), corrupt);
  EXPECT_FALSE(std::filesystem::exists(hiveFile() + ".unparsable"));
}

TEST_F(SettingsOnHiveTest, ASettingsPathThatIsAFolderIsToldAndNotReplaced) {
  std::filesystem::create_directories(hiveFile());
  CSetupDlg dlg;
  dlg.loadSettings();
  EXPECT_EQ(dlg.m_settings.port1, "COM3");
  ASSERT_EQ(headless::system().messageBoxes().size(), 1u);
  EXPECT_EQ(headless::system().messageBoxes()[0].text,
            "The settings file " + hiveFile() + " is a folder, not a file.");
  dlg.saveSettings();
  EXPECT_TRUE(std::filesystem::is_directory(hiveFile()));
  EXPECT_TRUE(std::filesystem::is_empty(hiveFile()));
}

TEST_F(SettingsOnHiveTest, ConnectingOpensBothPseudoTerminalsAndReadsThem) {
  PtyLine lineA;
  PtyLine lineB;
  ASSERT_TRUE(lineA.ok() && lineB.ok());
  std::filesystem::create_directories(platform::posix::portsFolder());
  std::filesystem::create_symlink(lineA.slavePath(), platform::posix::portsFolder() + "/LINEA");
  writeHive(
      "\"Port1\"=\"LINEA\"\r\n"  // through the ports folder
      "\"Port2\"=\"" +
      lineB.portName() +
      "\"\r\n"  // through /dev
      "\"BaudRate1\"=\"256000\"\r\n"
      "\"Parity2\"=\"SPACE\"\r\n");
  CSetupDlg dlg;
  dlg.openAllPorts();
  ASSERT_EQ(monitorState.connected, 1);
  EXPECT_EQ(devices->lineState(monitorState.portHandle[0])->baudRate, 256000u);

  std::uint8_t buffer[256];
  EXPECT_EQ(dlg.readPort(0, buffer), 0);
  ASSERT_TRUE(lineB.send(std::vector<std::uint8_t>(300, 0x5A)));
  ASSERT_TRUE(waitQueued(static_cast<int>(monitorState.portHandle[1]), 300));
  EXPECT_EQ(dlg.readPort(1, buffer), 256);
  EXPECT_EQ(dlg.readPort(1, buffer), 44);

  // Another opener is refused while connected, and admitted after.
  platform::posix::SerialDevices other(platform::posix::portsFolder());
  EXPECT_EQ(other.open("LINEA"), platform::kInvalidCommHandle);
  dlg.closeAllPorts();
  EXPECT_EQ(monitorState.connected, 0);
  const auto handle = other.open("LINEA");
  EXPECT_NE(handle, platform::kInvalidCommHandle);
  other.close(handle);
}

TEST_F(SettingsOnHiveTest, AHungUpLineReadsAsAFailure) {
  PtyLine lineA;
  ASSERT_TRUE(lineA.ok());
  writeHive("\"Port1\"=\"" + lineA.portName() + "\"\r\n\"Disable\"=\"1\"\r\n");
  CSetupDlg dlg;
  dlg.openAllPorts();
  ASSERT_EQ(monitorState.connected, 1);
  lineA.closeLine();
  std::uint8_t buffer[256];
  EXPECT_EQ(dlg.readPort(0, buffer), -1);
}

TEST_F(SettingsOnHiveTest, AnAbsentDeviceEndsTheProcessWithTheMessage) {
  writeHive("\"Port1\"=\"ttyNONE9\"\r\n");
  CSetupDlg dlg;
  try {
    dlg.openAllPorts();
    FAIL() << "the process should have ended";
  } catch (const headless::ProcessExit& exit) {
    EXPECT_NE(exit.status, 0);
  }
  ASSERT_EQ(headless::system().messageBoxes().size(), 1u);
  EXPECT_EQ(headless::system().messageBoxes()[0].text, "Can not Open PORT A");
  EXPECT_EQ(monitorState.connected, 0);
}

TEST_F(SettingsOnHiveTest, ConnectRefusesAPortAPlainReaderHoldsNamingIt) {
  PtyLine lineA;
  ASSERT_TRUE(lineA.ok());
  int release[2];
  ASSERT_EQ(pipe(release), 0);
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t reader = fork();
  ASSERT_GE(reader, 0);
  if (reader == 0) {
    ::close(release[1]);
    ::close(ready[0]);
    const int fd = ::open(lineA.slavePath().c_str(), O_RDONLY | O_NOCTTY);
    const char opened = fd >= 0 ? 1 : 0;
    char ignored = 0;
    if (write(ready[1], &opened, 1) != 1 || read(release[0], &ignored, 1) < 0) _exit(1);
    _exit(0);
  }
  char opened = 0;
  ASSERT_EQ(read(ready[0], &opened, 1), 1);
  ASSERT_EQ(opened, 1);
  writeHive("\"Port1\"=\"" + lineA.portName() + "\"\r\n\"Disable\"=\"1\"\r\n");
  CSetupDlg dlg;
  testing::internal::CaptureStderr();
  EXPECT_THROW(dlg.openAllPorts(), headless::ProcessExit);
  const std::string told = testing::internal::GetCapturedStderr();
  for (int fd : {release[1], release[0], ready[0], ready[1]}) ::close(fd);
  waitpid(reader, nullptr, 0);
  ASSERT_EQ(headless::system().messageBoxes().size(), 1u);
  EXPECT_EQ(headless::system().messageBoxes()[0].text, "Can not Open PORT A");
  EXPECT_NE(headless::system().messageBoxes()[0].detail.find("in use by " + std::to_string(reader) +
                                                             " (posix_tests)"),
            std::string::npos)
      << told;
  EXPECT_EQ(monitorState.connected, 0);
}

}  // namespace
