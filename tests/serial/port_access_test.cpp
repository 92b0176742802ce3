#include <string>

#include "serial/line_settings.h"
#include "serial_fixture.h"

namespace {

class PortAccessTest : public SerialFixture {
 protected:
  void SetUp() override {
    SerialFixture::SetUp();
    comm.addDevice("COM3");
    comm.addDevice("COM4");
  }

  static LineSettingsWord word(int baud, int dataBits, int stopBits, int parity) {
    return baud | (dataBits << 4) | (stopBits << 6) | (parity << 8);
  }

  // openAllPorts, with the fatal exit observed.
  std::optional<int> openAllPortsExitStatus(CSetupDlg& dlg) {
    try {
      dlg.openAllPorts();
    } catch (const headless::ProcessExit& exit) {
      return exit.status;
    }
    return std::nullopt;
  }
};

TEST_F(PortAccessTest, NamesOfFiveOrMoreCharactersAreOpenedThroughThePrefix) {
  comm.addDevice("COM9");
  comm.addDevice("//./COM10");
  CSetupDlg dlg;
  dlg.m_settings.port1 = "COM9";
  dlg.m_settings.port2 = "COM10";
  EXPECT_EQ(dlg.openPort(0, word(12, 3, 0, 0)), 0);
  EXPECT_EQ(dlg.openPort(1, word(12, 3, 0, 0)), 0);
  EXPECT_EQ(comm.openRequests(), (std::vector<std::string>{"COM9", "//./COM10"}));
}

TEST_F(PortAccessTest, OpenConfiguresQueuesTimeoutsAndTheLineFromTheTables) {
  CSetupDlg dlg;
  dlg.m_settings.port1 = "COM3";
  ASSERT_EQ(dlg.openPort(0, word(7, 1, 1, 1)), 0);
  const auto* device = comm.device("COM3");
  EXPECT_EQ(monitorState.portHandle[0], device->handle);
  EXPECT_EQ(device->inputQueueBytes, 1024u);
  EXPECT_EQ(device->outputQueueBytes, 1024u);
  EXPECT_EQ(device->purges, 1) << "what the driver held before the open is dropped";
  EXPECT_TRUE(device->readsReturnAtOnce);
  ASSERT_TRUE(device->appliedState.has_value());
  EXPECT_EQ(device->appliedState->baudRate, 14400u);
  EXPECT_EQ(device->appliedState->byteSize, 6);
  EXPECT_EQ(device->appliedState->stopBits, platform::kTwoStopBits);
  EXPECT_EQ(device->appliedState->parity, platform::kEvenParity) << "index 1 is EVEN, code 2";
  EXPECT_TRUE(device->appliedState->binary);
  EXPECT_TRUE(device->appliedState->parityCheck);
}

TEST_F(PortAccessTest, AProgramThatAsksForALargerInputQueueGetsIt) {
  CSetupDlg dlg;
  dlg.m_settings.port1 = "COM3";
  dlg.m_driverQueueBytes = 65536;  // the recorder's
  ASSERT_EQ(dlg.openPort(0, word(7, 1, 1, 1)), 0);
  EXPECT_EQ(comm.device("COM3")->inputQueueBytes, 65536u);
  EXPECT_EQ(comm.device("COM3")->outputQueueBytes, 1024u) << "nothing is ever sent";
}

TEST_F(PortAccessTest, EveryTableEntryReachesTheLine) {
  CSetupDlg dlg;
  dlg.m_settings.port1 = "COM3";
  for (int baud = 0; baud < 15; ++baud) {
    for (int parity = 0; parity < 5; ++parity) {
      const int dataBits = (baud + parity) % 4;
      const int stopBits = parity % 2;
      ASSERT_EQ(dlg.openPort(0, word(baud, dataBits, stopBits, parity)), 0);
      const auto& applied = *comm.device("COM3")->appliedState;
      EXPECT_EQ(applied.baudRate, static_cast<std::uint32_t>(BaudRateTable[baud].value));
      EXPECT_EQ(applied.parity, ParityTable[parity].value);
      EXPECT_EQ(applied.byteSize, 5 + dataBits);
      EXPECT_EQ(applied.stopBits, stopBits == 0 ? 0 : 2);
      EXPECT_TRUE(applied.parityCheck) << "parity checking also with no parity";
      ASSERT_EQ(dlg.closePort(0), 0);
    }
  }
}

TEST_F(PortAccessTest, AWordOutsideTheTablesOrARejectedLineFailsTheOpen) {
  CSetupDlg dlg;
  dlg.m_settings.port1 = "COM3";
  EXPECT_EQ(dlg.openPort(0, word(15, 3, 0, 0)), -1);
  EXPECT_EQ(dlg.openPort(0, word(12, 3, 0, 5)), -1);
  EXPECT_EQ(dlg.openPort(0, word(12, 3, 0, 7)), -1);
  EXPECT_TRUE(comm.openRequests().empty()) << "nothing is opened for such a word";
  comm.device("COM3")->rejectLineState = true;
  EXPECT_EQ(dlg.openPort(0, word(12, 3, 0, 0)), -1);
  dlg.m_settings.port1 = "COM1";  // no such device
  EXPECT_EQ(dlg.openPort(0, word(12, 3, 0, 0)), -1);
  EXPECT_EQ(monitorState.portHandle[0], platform::kInvalidCommHandle);
}

TEST_F(PortAccessTest, ReadsReturnWhatIsQueuedAtMost256AtATime) {
  CSetupDlg dlg;
  dlg.m_settings.port1 = "COM3";
  ASSERT_EQ(dlg.openPort(0, word(12, 3, 0, 0)), 0);
  std::uint8_t buffer[256 + 8];
  EXPECT_EQ(dlg.readPort(0, buffer), 0) << "nothing arrived is 0, not a failure";

  Bytes queued(300);
  for (std::size_t i = 0; i < queued.size(); ++i) queued[i] = static_cast<std::uint8_t>(i * 7 + 3);
  comm.queueBytes("COM3", queued);
  buffer[256] = 0xEE;
  ASSERT_EQ(dlg.readPort(0, buffer), 256);
  EXPECT_EQ(buffer[0], queued[0]);
  EXPECT_EQ(buffer[255], queued[255]);
  EXPECT_EQ(buffer[256], 0xEE) << "nothing beyond 256 bytes is written";
  ASSERT_EQ(dlg.readPort(0, buffer), 44);
  EXPECT_EQ(buffer[0], queued[256]) << "the rest follows in order";
  EXPECT_EQ(buffer[43], queued[299]);
  EXPECT_EQ(dlg.readPort(0, buffer), 0);

  comm.queueResult("COM3", -1);
  EXPECT_EQ(dlg.readPort(0, buffer), -1);
  for (int size : comm.readSizes()) EXPECT_EQ(size, 256);
}

TEST_F(PortAccessTest, ReadingOrClosingAPortNeverOpenedFails) {
  CSetupDlg dlg;
  std::uint8_t buffer[256];
  EXPECT_EQ(dlg.readPort(1, buffer), -1);
  EXPECT_EQ(dlg.closePort(1), -1);
  EXPECT_EQ(dlg.readPort(2, buffer), -1);
  EXPECT_EQ(dlg.readPort(-1, buffer), -1);
  EXPECT_TRUE(comm.readSizes().empty()) << "the device layer is not even asked";
}

TEST_F(PortAccessTest, CloseForgetsTheHandleAndTheDeviceOpensAgain) {
  CSetupDlg dlg;
  dlg.m_settings.port1 = "COM3";
  ASSERT_EQ(dlg.openPort(0, word(12, 3, 0, 0)), 0);
  EXPECT_EQ(dlg.closePort(0), 0);
  EXPECT_EQ(monitorState.portHandle[0], platform::kInvalidCommHandle);
  EXPECT_FALSE(comm.isOpen("COM3"));
  EXPECT_EQ(dlg.closePort(0), -1) << "closing twice fails and changes nothing";
  EXPECT_EQ(dlg.openPort(0, word(12, 3, 0, 0)), 0);
  EXPECT_EQ(comm.device("COM3")->opens, 2);
}

TEST_F(PortAccessTest, OpenAllPortsOpensBothWithTheStoredSettingsAndConnects) {
  storeText("BaudRate2", "9600");
  storeText("Parity2", "MARK");
  CSetupDlg dlg;
  EXPECT_EQ(openAllPortsExitStatus(dlg), std::nullopt);
  EXPECT_EQ(monitorState.connected, 1);
  EXPECT_TRUE(comm.isOpen("COM3"));
  EXPECT_TRUE(comm.isOpen("COM4"));
  EXPECT_EQ(comm.device("COM3")->appliedState->baudRate, 115200u);
  EXPECT_EQ(comm.device("COM4")->appliedState->baudRate, 9600u);
  EXPECT_EQ(comm.device("COM4")->appliedState->parity, platform::kMarkParity);
  EXPECT_TRUE(boxes().empty());
}

// The poll timer keeps its period only while the ports are connected: the
// finest timer step is asked for at Connect and given back at Disconnect.
TEST_F(PortAccessTest, TheFineTimerStepIsHeldExactlyWhileConnected) {
  CSetupDlg dlg;
  EXPECT_FALSE(headless::system().fineTimerStep());
  ASSERT_EQ(openAllPortsExitStatus(dlg), std::nullopt);
  EXPECT_TRUE(headless::system().fineTimerStep());
  dlg.closeAllPorts();
  EXPECT_FALSE(headless::system().fineTimerStep());
}

TEST_F(PortAccessTest, WithPortBDisabledOnlyPortAIsOpened) {
  storeRaw("Disable", bytesOf("1"));
  CSetupDlg dlg;
  EXPECT_EQ(openAllPortsExitStatus(dlg), std::nullopt);
  EXPECT_EQ(comm.openRequests(), std::vector<std::string>{"COM3"});
  EXPECT_EQ(monitorState.portHandle[1], platform::kInvalidCommHandle);
  EXPECT_EQ(monitorState.connected, 1);
  dlg.closeAllPorts();
  EXPECT_EQ(comm.closedPaths(), std::vector<std::string>{"COM3"});
  EXPECT_EQ(monitorState.connected, 0);
}

TEST_F(PortAccessTest, APortThatWillNotOpenEndsTheProcessWithAMessageAndAFailureStatus) {
  comm.device("COM4")->refuseOpen = true;
  comm.device("COM4")->failureReason = "/dev/ttyUSB1 is held by process 4242 (termapp)";
  CSetupDlg dlg;
  testing::internal::CaptureStderr();
  const auto status = openAllPortsExitStatus(dlg);
  const std::string told = testing::internal::GetCapturedStderr();
  ASSERT_TRUE(status.has_value());
  EXPECT_NE(*status, 0) << "a failed open is never reported as success";
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, "Can not Open PORT B");
  EXPECT_EQ(boxes()[0].caption, "Error");
  EXPECT_EQ(boxes()[0].style, MB_OK);
  EXPECT_EQ(boxes()[0].owner, platform::kNoWindow);
  EXPECT_EQ(boxes()[0].detail, "/dev/ttyUSB1 is held by process 4242 (termapp)");
  EXPECT_EQ(told,
            "Can not Open PORT B: /dev/ttyUSB1 is held by process 4242 (termapp)\n"
            "PORT A COM3: 0 bytes, ? parity, ? framing, ? overrun errors\n")
      << "the reason, then the line of the port that did open";
  EXPECT_EQ(monitorState.connected, 0);
  EXPECT_FALSE(comm.isOpen("COM3")) << "port A is given back before the process ends";

  resetProcessState();
  headless::system().reset();
  comm.reset();
  comm.addDevice("COM4");
  CSetupDlg again;
  EXPECT_TRUE(openAllPortsExitStatus(again).has_value());
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, "Can not Open PORT A");
  EXPECT_EQ(comm.openRequests(), std::vector<std::string>{"COM3"}) << "B is not tried after A";
}

TEST_F(PortAccessTest, ASettingThatMatchesNoTableEntryFailsThatPortsOpen) {
  // A data-bits index of 4 would read as 5 data bits and 2 stop bits once
  // the parts were combined; it must fail instead.
  struct Case {
    const char* value;
    const char* text;
  };
  const Case cases[] = {
      {"DataBit2", "9"}, {"StopBit2", "1.5"}, {"BaudRate2", "4000001"}, {"Parity2", "even"}};
  const std::string reasons[] = {
      "data bits \"9\" is not one of the values this port can be set to (5, 6, 7, 8); "
      "choose one in Setup",
      "stop bits \"1.5\" is not one of the values this port can be set to (1, 2); "
      "choose one in Setup",
      "baud rate \"4000001\" is above 4000000: a rate is one of Setup's list (110 ... 256000) "
      "or a whole number of baud from 50 to 4000000 in digits alone; choose or type one in Setup",
      "parity \"even\" is not one of the values this port can be set to "
      "(NONE, EVEN, ODD, MARK, SPACE); choose one in Setup"};
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    resetProcessState();
    headless::system().reset();
    registry.reset();
    comm.reset();
    comm.addDevice("COM3");
    comm.addDevice("COM4");
    storeText(c.value, c.text);
    CSetupDlg dlg;
    EXPECT_TRUE(openAllPortsExitStatus(dlg).has_value()) << c.value;
    ASSERT_EQ(boxes().size(), 1u) << c.value;
    EXPECT_EQ(boxes()[0].text, "Can not Open PORT B") << c.value;
    EXPECT_EQ(boxes()[0].detail, reasons[i]) << c.value;
    EXPECT_EQ(comm.openRequests(), std::vector<std::string>{"COM3"})
        << c.value << ": port B's device is never opened";
    EXPECT_EQ(monitorState.connected, 0);
  }
}

TEST_F(PortAccessTest, CloseAllPortsClosesEveryOpenPortWhateverTheDisableSwitchSaysNow) {
  CSetupDlg dlg;
  ASSERT_EQ(openAllPortsExitStatus(dlg), std::nullopt);
  monitorState.portBDisabled = 1;  // the Disable box clicked while connected
  dlg.closeAllPorts();
  EXPECT_FALSE(comm.isOpen("COM3"));
  EXPECT_FALSE(comm.isOpen("COM4")) << "port B must not stay held";
  EXPECT_EQ(monitorState.portHandle[1], platform::kInvalidCommHandle);
  EXPECT_EQ(monitorState.connected, 0);
  ASSERT_EQ(openAllPortsExitStatus(dlg), std::nullopt) << "both open again after a disconnect";
}

TEST_F(PortAccessTest, CloseAllPortsWithNothingOpenOnlyClearsConnected) {
  monitorState.connected = 1;
  CSetupDlg dlg;
  dlg.closeAllPorts();
  EXPECT_EQ(monitorState.connected, 0);
  EXPECT_TRUE(comm.closedPaths().empty());
}

TEST_F(PortAccessTest, ATypedRateOpensThePortAtThatRateAndOtherTextIsRefusedWithItsReason) {
  struct Case {
    const char* text;
    std::optional<std::uint32_t> rate;  // what the line gets, or nothing when refused
    const char* fault;
  };
  const Case cases[] = {
      {"921600", 921600, ""},
      {"3000000", 3000000, ""},
      {"250000", 250000, ""},
      {"50", 50, ""},
      {"4000000", 4000000, ""},
      {"256000", 256000, ""},  // a list entry goes through the table as before
      {"abc", std::nullopt, "holds \"a\", which is not a digit"},
      {"0", std::nullopt, "is below 50"},
      {"49", std::nullopt, "is below 50"},
      {"4000001", std::nullopt, "is above 4000000"},
      {" 9600", std::nullopt, "holds \" \", which is not a digit"},
      {"9600 ", std::nullopt, "holds \" \", which is not a digit"},
      {"+9600", std::nullopt, "holds \"+\", which is not a digit"},
      {"", std::nullopt, "is empty"},
  };
  for (const Case& c : cases) {
    resetProcessState();
    headless::system().reset();
    registry.reset();
    comm.reset();
    comm.addDevice("COM3");
    comm.addDevice("COM4");
    storeText("BaudRate2", c.text);
    CSetupDlg dlg;
    const auto exitStatus = openAllPortsExitStatus(dlg);
    EXPECT_EQ(dlg.m_settings.baudRate2, c.text) << "the text stays as stored";
    if (c.rate) {
      EXPECT_EQ(exitStatus, std::nullopt) << c.text;
      ASSERT_TRUE(comm.device("COM4")->appliedState.has_value()) << c.text;
      EXPECT_EQ(comm.device("COM4")->appliedState->baudRate, *c.rate) << c.text;
      EXPECT_EQ(comm.device("COM3")->appliedState->baudRate, 115200u) << "port A keeps its own";
      EXPECT_EQ(monitorState.connected, 1);
      dlg.closeAllPorts();
      continue;
    }
    EXPECT_TRUE(exitStatus.has_value()) << c.text;
    ASSERT_EQ(boxes().size(), 1u) << c.text;
    EXPECT_EQ(boxes()[0].text, "Can not Open PORT B");
    EXPECT_EQ(boxes()[0].detail,
              "baud rate \"" + std::string(c.text) + "\" " + c.fault +
                  ": a rate is one of Setup's list (110 ... 256000) or a whole number of baud "
                  "from 50 to 4000000 in digits alone; choose or type one in Setup");
    EXPECT_EQ(comm.openRequests(), std::vector<std::string>{"COM3"}) << c.text;
  }
}

TEST_F(PortAccessTest, TheTypedRateBelongsToItsPortAndTheWordPastTheTableNeedsOne) {
  CSetupDlg dlg;
  dlg.m_settings.port1 = "COM3";
  dlg.m_settings.port2 = "COM4";
  monitorState.typedBaudRate[1] = 3000000;
  EXPECT_EQ(dlg.openPort(0, word(kTypedBaudIndex, 3, 0, 0)), -1)
      << "port A has no typed rate of its own";
  ASSERT_EQ(dlg.openPort(1, word(kTypedBaudIndex, 3, 0, 0)), 0);
  EXPECT_EQ(comm.device("COM4")->appliedState->baudRate, 3000000u);
  ASSERT_EQ(dlg.openPort(0, word(12, 3, 0, 0)), 0);
  EXPECT_EQ(comm.device("COM3")->appliedState->baudRate, 115200u)
      << "a table index ignores any typed rate";
}

}  // namespace
