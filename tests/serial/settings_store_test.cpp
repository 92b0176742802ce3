#include <string>

#include "serial_fixture.h"

namespace {

class SettingsStoreTest : public SerialFixture {
 protected:
  // Fills a record with texts shorter than each value's data length.
  static void fillRecord(PortSettings& s) {
    s.baudRate1 = "9600";
    s.baudRate2 = "256000";
    s.dataBit1 = "7";
    s.dataBit2 = "5";
    s.parity1 = "EVEN";
    s.parity2 = "SPACE";
    s.stopBit1 = "2";
    s.stopBit2 = "1";
    s.port1 = "ttyUSB0";
    s.port2 = "COM12";
    s.pollTime = "25";
    s.memSize = "4";
  }
};

TEST_F(SettingsStoreTest, WithoutAKeyLoadGivesTheDefaults) {
  monitorState.memSizeMBLoaded = 7;
  CSetupDlg dlg;
  dlg.loadSettings();
  const PortSettings& s = dlg.m_settings;
  EXPECT_EQ(s.baudRate1, "115200");
  EXPECT_EQ(s.baudRate2, "115200");
  EXPECT_EQ(s.dataBit1, "8");
  EXPECT_EQ(s.dataBit2, "8");
  EXPECT_EQ(s.stopBit1, "1");
  EXPECT_EQ(s.stopBit2, "1");
  EXPECT_EQ(s.parity1, "NONE");
  EXPECT_EQ(s.parity2, "NONE");
  EXPECT_EQ(s.port1, "COM3");
  EXPECT_EQ(s.port2, "COM4");
  EXPECT_EQ(s.pollTime, "10");
  EXPECT_EQ(s.memSize, "2");
  EXPECT_EQ(s.disable, 0);
  EXPECT_EQ(monitorState.pollTimeMs, 10);
  EXPECT_EQ(monitorState.memSizeMB, 2);
  EXPECT_EQ(monitorState.portBDisabled, 0);
  EXPECT_EQ(monitorState.memSizeMBLoaded, 7) << "only the capture load sets it";
  for (int port = 0; port < 2; ++port) {
    EXPECT_EQ(monitorState.baudPart[port], 12);
    EXPECT_EQ(monitorState.dataBitsPart[port], 3 << 4);
    EXPECT_EQ(monitorState.stopBitsPart[port], 0);
    EXPECT_EQ(monitorState.parityPart[port], 0);
  }
  EXPECT_TRUE(boxes().empty()) << "a missing key is not reported";
  EXPECT_TRUE(registry.hive.keys.empty()) << "loading never creates the key";
}

TEST_F(SettingsStoreTest, AKeyThisUserMayOnlyReadGivesItsSettingsAndASaveSaysWhy) {
  storeText("Port1", "COM7");
  storeText("POLLTIME", "50");
  registry.denyFullAccess = true;
  registry.failCreate = true;
  CSetupDlg dlg;
  dlg.loadSettings();
  EXPECT_EQ(dlg.m_settings.port1, "COM7");
  EXPECT_EQ(monitorState.pollTimeMs, 50);
  monitorState.pollTimeMs = 0;
  dlg.loadCaptureSettings();
  EXPECT_EQ(monitorState.pollTimeMs, 50);
  EXPECT_EQ(registry.openKeyCount(), 0u) << "every key opened for loading is closed";

  dlg.saveSettings();
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, "Can not Save Setup");
  EXPECT_NE(boxes()[0].detail.find("administrator rights"), std::string::npos) << boxes()[0].detail;
  EXPECT_NE(
      boxes()[0].detail.find("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Korvane"),
      std::string::npos);
}

TEST_F(SettingsStoreTest, WithoutAKeyCaptureLoadGivesDefaultsAndAnEmptyBuffer) {
  monitorState.connected = 1;
  monitorState.pollTimeMs = 99;
  monitorState.portBDisabled = 1;
  CSetupDlg dlg;
  dlg.m_settings.port1 = "untouched";
  dlg.loadCaptureSettings();
  EXPECT_EQ(monitorState.pollTimeMs, 10);
  EXPECT_EQ(monitorState.memSizeMB, 2);
  EXPECT_EQ(monitorState.memSizeMBLoaded, 2);
  EXPECT_EQ(monitorState.portBDisabled, 0);
  EXPECT_EQ(monitorState.connected, 0) << "the buffer was allocated afresh";
  ASSERT_NE(monitorState.bufferStart, nullptr);
  EXPECT_EQ(captureBufferBytes(), 2u * 1024 * 1024);
  EXPECT_EQ(dlg.m_settings.port1, "untouched") << "the record is not touched";
}

TEST_F(SettingsStoreTest, SaveStoresEveryValueWithItsFixedDataLength) {
  CSetupDlg dlg;
  fillRecord(dlg.m_settings);
  dlg.m_settings.disable = 0;
  monitorState.portBDisabled = 1;  // Disable comes from here, not the record
  dlg.saveSettings();

  const std::vector<std::string> order = {
      "DataBit1", "DataBit2",  "StopBit1",  "StopBit2", "Parity1", "Parity2", "Port1",
      "Port2",    "BaudRate1", "BaudRate2", "POLLTIME", "MEMSIZE", "Disable"};
  ASSERT_EQ(registry.writes().size(), order.size());
  for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(registry.writes()[i].name, order[i]);

  auto padded = [](const std::string& text, std::size_t length) {
    Bytes data = bytesOf(text);
    data.resize(length, 0);
    return data;
  };
  EXPECT_EQ(storedBytes("DataBit1"), padded("7", 2));
  EXPECT_EQ(storedBytes("DataBit2"), padded("5", 2));
  EXPECT_EQ(storedBytes("StopBit1"), padded("2", 2));
  EXPECT_EQ(storedBytes("StopBit2"), padded("1", 2));
  EXPECT_EQ(storedBytes("Parity1"), padded("EVEN", 22));
  EXPECT_EQ(storedBytes("Parity2"), padded("SPACE", 22));
  EXPECT_EQ(storedBytes("Port1"), padded("ttyUSB0", 8));
  EXPECT_EQ(storedBytes("Port2"), padded("COM12", 8));
  EXPECT_EQ(storedBytes("BaudRate1"), padded("9600", 12));
  EXPECT_EQ(storedBytes("BaudRate2"), padded("256000", 12));
  EXPECT_EQ(storedBytes("POLLTIME"), padded("25", 4));
  EXPECT_EQ(storedBytes("MEMSIZE"), padded("4", 2));
  EXPECT_EQ(storedBytes("Disable"), bytesOf("1")) << "one byte, no terminator";
  for (const auto& value : registry.hive.keys.at(0).values) {
    EXPECT_EQ(value.type, platform::kRegSz) << value.name;
  }

  EXPECT_EQ(monitorState.pollTimeMs, 25);
  EXPECT_EQ(monitorState.memSizeMB, 4);
  EXPECT_EQ(monitorState.portBDisabled, 1);
  EXPECT_EQ(monitorState.baudPart[0], 6);
  EXPECT_EQ(monitorState.baudPart[1], 14);
  EXPECT_EQ(monitorState.dataBitsPart[0], 2 << 4);
  EXPECT_EQ(monitorState.dataBitsPart[1], 0);
  EXPECT_EQ(monitorState.stopBitsPart[0], 1 << 6);
  EXPECT_EQ(monitorState.parityPart[0], 1 << 8);
  EXPECT_EQ(monitorState.parityPart[1], 4 << 8);
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(registry.openKeyCount(), 0u) << "the key is closed again";
}

TEST_F(SettingsStoreTest, TextsAsLongAsTheirValueLoseTheTerminatorAndLongerOnesAreCut) {
  CSetupDlg dlg;
  dlg.applyDefaultSettings();
  dlg.m_settings.memSize = "16";
  dlg.m_settings.port1 = "ttyUSB10";   // 8 characters
  dlg.m_settings.port2 = "ttyUSB100";  // 9 characters
  dlg.m_settings.pollTime = "1000";
  dlg.saveSettings();
  EXPECT_EQ(storedBytes("MEMSIZE"), bytesOf("16"));
  EXPECT_EQ(storedBytes("Port1"), bytesOf("ttyUSB10"));
  EXPECT_EQ(storedBytes("Port2"), bytesOf("ttyUSB10"));
  EXPECT_EQ(storedBytes("POLLTIME"), bytesOf("1000"));

  CSetupDlg loaded;
  loaded.loadSettings();
  EXPECT_EQ(loaded.m_settings.memSize, "16");
  EXPECT_EQ(monitorState.memSizeMB, 16);
  EXPECT_EQ(loaded.m_settings.port1, "ttyUSB10") << "loads back whole";
  EXPECT_EQ(loaded.m_settings.port2, "ttyUSB10") << "its first 8 characters";
  EXPECT_EQ(loaded.m_settings.pollTime, "1000");
  EXPECT_EQ(monitorState.pollTimeMs, 1000);
}

TEST_F(SettingsStoreTest, SaveThenLoadGivesBackEveryShorterText) {
  CSetupDlg saved;
  fillRecord(saved.m_settings);
  monitorState.portBDisabled = 1;
  saved.saveSettings();
  resetProcessState();

  CSetupDlg loaded;
  loaded.loadSettings();
  PortSettings expected = saved.m_settings;
  expected.disable = 1;
  EXPECT_EQ(loaded.m_settings.baudRate1, expected.baudRate1);
  EXPECT_EQ(loaded.m_settings.baudRate2, expected.baudRate2);
  EXPECT_EQ(loaded.m_settings.dataBit1, expected.dataBit1);
  EXPECT_EQ(loaded.m_settings.dataBit2, expected.dataBit2);
  EXPECT_EQ(loaded.m_settings.parity1, expected.parity1);
  EXPECT_EQ(loaded.m_settings.parity2, expected.parity2);
  EXPECT_EQ(loaded.m_settings.stopBit1, expected.stopBit1);
  EXPECT_EQ(loaded.m_settings.stopBit2, expected.stopBit2);
  EXPECT_EQ(loaded.m_settings.port1, expected.port1);
  EXPECT_EQ(loaded.m_settings.port2, expected.port2);
  EXPECT_EQ(loaded.m_settings.pollTime, expected.pollTime);
  EXPECT_EQ(loaded.m_settings.memSize, expected.memSize);
  EXPECT_EQ(loaded.m_settings.disable, 1);
  EXPECT_EQ(monitorState.portBDisabled, 1);
  EXPECT_EQ(monitorState.pollTimeMs, 25);
  EXPECT_EQ(monitorState.memSizeMB, 4);
  EXPECT_EQ(monitorState.baudPart[1], 14);
  EXPECT_EQ(monitorState.parityPart[1], 4 << 8);
}

TEST_F(SettingsStoreTest, MissingOverLongAndOddlyTypedValuesAreHandledOneByOne) {
  storeText("Parity2", "ODD");
  storeText("Port1", "COM7");
  storeText("BaudRate1", "57600");
  // Parity1 is missing; Port2 is longer than the 64-byte read buffer.
  storeRaw("Port2", Bytes(65, 'x'));
  // A value of another type is read all the same.
  storeRaw("DataBit1", bytesOf("6"), platform::kRegBinary);
  // Exactly 64 bytes still fits.
  storeRaw("StopBit2", []() {
    Bytes data(64, ' ');
    data[0] = '2';
    return data;
  }());
  CSetupDlg dlg;
  dlg.loadSettings();
  EXPECT_EQ(dlg.m_settings.parity1, "NONE");
  EXPECT_EQ(monitorState.parityPart[0], 0);
  EXPECT_EQ(dlg.m_settings.parity2, "ODD");
  EXPECT_EQ(monitorState.parityPart[1], 2 << 8);
  EXPECT_EQ(dlg.m_settings.port1, "COM7");
  EXPECT_EQ(dlg.m_settings.port2, "COM4");
  EXPECT_EQ(dlg.m_settings.baudRate1, "57600");
  EXPECT_EQ(monitorState.baudPart[0], 11);
  EXPECT_EQ(dlg.m_settings.dataBit1, "6");
  EXPECT_EQ(dlg.m_settings.stopBit2, "2" + std::string(63, ' '));
  EXPECT_EQ(monitorState.stopBitsPart[1], 2 << 6) << "a text with blanks matches no entry";
}

TEST_F(SettingsStoreTest, DisableIsSetOnlyByAPresentValueStartingWithOne) {
  struct Case {
    std::optional<Bytes> stored;
    int expected;
  };
  const Case cases[] = {
      {bytesOf("1"), 1},  {bytesOf("10"), 1}, {bytesOf("0"), 0},  {bytesOf("2"), 0},
      {bytesOf(" 1"), 0}, {Bytes{}, 0},       {Bytes{0, '1'}, 0}, {std::nullopt, 0},
  };
  for (const Case& c : cases) {
    registry.reset();
    storeText("Port1", "COM3");
    if (c.stored) storeRaw("Disable", *c.stored);
    monitorState.portBDisabled = 1 - c.expected;
    CSetupDlg dlg;
    dlg.m_settings.disable = 1 - c.expected;
    dlg.loadSettings();
    EXPECT_EQ(dlg.m_settings.disable, c.expected);
    EXPECT_EQ(monitorState.portBDisabled, c.expected);
    monitorState.portBDisabled = 1 - c.expected;
    dlg.loadCaptureSettings();
    EXPECT_EQ(monitorState.portBDisabled, c.expected);
  }
}

TEST_F(SettingsStoreTest, NumbersFollowTheAtoiRule) {
  storeText("POLLTIME", "abc");
  storeRaw("MEMSIZE", bytesOf("8M"));
  CSetupDlg dlg;
  dlg.loadSettings();
  EXPECT_EQ(dlg.m_settings.pollTime, "abc");
  EXPECT_EQ(monitorState.pollTimeMs, 0);
  EXPECT_EQ(monitorState.memSizeMB, 8);
  storeText("POLLTIME", " 20ms");
  dlg.loadCaptureSettings();
  EXPECT_EQ(monitorState.pollTimeMs, 20);
  EXPECT_EQ(monitorState.memSizeMBLoaded, 8);
  EXPECT_EQ(captureBufferBytes(), 8u * 1024 * 1024);
}

TEST_F(SettingsStoreTest, AStoredMemorySizeOutsideOneToThirtyTwoLoadsAsTwo) {
  for (const char* text : {"0", "33", "64", "-1", "abc", "99999999999"}) {
    storeText("MEMSIZE", text);
    monitorState.memSizeMBLoaded = 5;
    CSetupDlg dlg;
    dlg.loadSettings();
    EXPECT_EQ(monitorState.memSizeMB, 2) << text;
    EXPECT_EQ(dlg.m_settings.memSize, "2") << text;
    EXPECT_EQ(monitorState.memSizeMBLoaded, 5) << text;
    monitorState.memSizeMB = 77;
    dlg.loadCaptureSettings();
    EXPECT_EQ(monitorState.memSizeMB, 2) << text;
    EXPECT_EQ(monitorState.memSizeMBLoaded, 2) << text;
    EXPECT_EQ(captureBufferBytes(), 2u * 1024 * 1024) << text;
  }
  for (const char* text : {"1", "32"}) {
    storeText("MEMSIZE", text);
    CSetupDlg dlg;
    dlg.loadCaptureSettings();
    EXPECT_EQ(monitorState.memSizeMBLoaded, std::stoi(text));
  }
}

TEST_F(SettingsStoreTest, EncodingIsExactAndUnmatchedTextsGiveTheEntryCount) {
  CSetupDlg dlg;
  dlg.applyDefaultSettings();
  dlg.m_settings.parity1 = "EVEN";
  dlg.m_settings.parity2 = "Even";
  dlg.m_settings.baudRate1 = "115200 ";
  dlg.m_settings.dataBit1 = "9";
  dlg.m_settings.stopBit2 = "";
  dlg.encodeLineSettings();
  EXPECT_EQ(monitorState.parityPart[0], 1 << 8);
  EXPECT_EQ(monitorState.parityPart[1], 5 << 8);
  EXPECT_EQ(monitorState.baudPart[0], 15);
  EXPECT_EQ(monitorState.baudPart[1], 12);
  EXPECT_EQ(monitorState.dataBitsPart[0], 4 << 4);
  EXPECT_EQ(monitorState.stopBitsPart[1], 2 << 6);
  EXPECT_EQ(monitorState.typedBaudRate[0], 0u) << "\"115200 \" is no rate";
  EXPECT_EQ(monitorState.typedBaudRate[1], 0u) << "a list entry needs none";
}

TEST_F(SettingsStoreTest, ATypedRateIsStoredAsTypedAndTravelsBesideItsPart) {
  CSetupDlg dlg;
  dlg.applyDefaultSettings();
  dlg.m_settings.baudRate1 = "921600";
  dlg.m_settings.baudRate2 = "3000000";
  dlg.saveSettings();
  EXPECT_EQ(monitorState.baudPart[0], 15);
  EXPECT_EQ(monitorState.typedBaudRate[0], 921600u);
  EXPECT_EQ(monitorState.typedBaudRate[1], 3000000u);

  CSetupDlg loaded;
  loaded.loadSettings();
  EXPECT_EQ(loaded.m_settings.baudRate1, "921600");
  EXPECT_EQ(loaded.m_settings.baudRate2, "3000000");
  loaded.m_settings.baudRate2 = "57600";
  loaded.encodeLineSettings();
  EXPECT_EQ(monitorState.typedBaudRate[1], 0u) << "a rate from the list leaves none behind";
  EXPECT_EQ(monitorState.baudPart[1], 11);
}

TEST_F(SettingsStoreTest, DefaultsLeaveTheLoadedBufferSizeAlone) {
  monitorState.memSizeMBLoaded = 16;
  monitorState.portBDisabled = 1;
  CSetupDlg dlg;
  dlg.m_settings.disable = 1;
  dlg.applyDefaultSettings();
  EXPECT_EQ(monitorState.memSizeMBLoaded, 16);
  EXPECT_EQ(monitorState.memSizeMB, 2);
  EXPECT_EQ(monitorState.pollTimeMs, 10);
  EXPECT_EQ(monitorState.portBDisabled, 0);
  EXPECT_EQ(dlg.m_settings.disable, 0);
}

TEST_F(SettingsStoreTest, ASaveThatCannotCreateTheKeyTellsTheUserAndStillUpdatesNumbers) {
  registry.failCreate = true;
  CSetupDlg dlg;
  fillRecord(dlg.m_settings);
  dlg.saveSettings();
  EXPECT_TRUE(registry.writes().empty());
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, "Can not Save Setup");
  EXPECT_EQ(boxes()[0].caption, "Error");
  EXPECT_EQ(boxes()[0].style, MB_OK);
  EXPECT_EQ(boxes()[0].owner, platform::kNoWindow) << "a temporary object has no window";
  EXPECT_EQ(monitorState.pollTimeMs, 25);
  EXPECT_EQ(monitorState.memSizeMB, 4);
  EXPECT_EQ(monitorState.baudPart[0], 6);
  EXPECT_FALSE(headless::system().exitStatus().has_value());
}

TEST_F(SettingsStoreTest, ASaveWhoseWritesFailTellsTheUserOnce) {
  registry.failWrites = true;
  CSetupDlg dlg;
  fillRecord(dlg.m_settings);
  dlg.saveSettings();
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, "Can not Save Setup");
  EXPECT_EQ(monitorState.memSizeMB, 4);
  EXPECT_EQ(monitorState.parityPart[1], 4 << 8);
  EXPECT_EQ(registry.openKeyCount(), 0u);
}

}  // namespace
