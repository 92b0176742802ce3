#include "platform/comm/port_name_advice.h"
#include "tests/setup/setup_fixture.h"

namespace {

using headless::DialogDriver;

using SetupDialogTest = SetupFixture;

TEST_F(SetupDialogTest, OpeningWithNothingStoredShowsTheDefaultsAndFocusesSave) {
  startView();
  runSetup([](CSetupDlg& dlg, DialogDriver& d) {
    EXPECT_EQ(d.text(IDC_PORT1), "COM3");
    EXPECT_EQ(d.selection(IDC_PORT1), 2);
    EXPECT_EQ(d.text(IDC_PORT2), "COM4");
    EXPECT_EQ(d.text(IDC_BAUDRATE1), "115200");
    EXPECT_EQ(d.text(IDC_BAUDRATE2), "115200");
    EXPECT_EQ(d.text(IDC_DATABIT1), "8");
    EXPECT_EQ(d.text(IDC_STOPBIT2), "1");
    EXPECT_EQ(d.text(IDC_PARITY1), "NONE");
    EXPECT_EQ(d.text(IDC_MEMSIZE), "2");
    EXPECT_EQ(d.text(IDC_POLLTIME), "10");
    EXPECT_EQ(d.item(IDC_POLLTIME).textLimit(), 3);
    EXPECT_FALSE(d.checked(IDC_DISABLE));
    EXPECT_EQ(d.focusId(), IDOK);
    EXPECT_EQ(dlg.GetWindowText(), "Korvane ");
  });
}

TEST_F(SetupDialogTest, OpeningShowsStoredValuesByTheDropDownRule) {
  store("MEMSIZE", "1");
  store("Port1", "ttyUSB0");
  store("Port2", "com12");
  store("Parity2", "odd");
  store("Disable", "1");
  store("POLLTIME", "25");
  startView();
  runSetup([](CSetupDlg& dlg, DialogDriver& d) {
    EXPECT_EQ(d.text(IDC_MEMSIZE), "1") << "1 selects the item 1, not 16";
    EXPECT_EQ(d.selection(IDC_MEMSIZE), 0);
    EXPECT_EQ(d.text(IDC_PORT1), "ttyUSB0") << "no item begins with it: shown as typed";
    EXPECT_EQ(d.selection(IDC_PORT1), CB_ERR);
    EXPECT_EQ(d.text(IDC_PORT2), "COM12");
    EXPECT_EQ(d.text(IDC_PARITY2), "ODD");
    EXPECT_EQ(d.text(IDC_POLLTIME), "25");
    EXPECT_TRUE(d.checked(IDC_DISABLE));
    EXPECT_EQ(dlg.m_settings.disable, 1);
  });
  store("MEMSIZE", "3");
  runSetup([](CSetupDlg&, DialogDriver& d) {
    EXPECT_EQ(d.text(IDC_MEMSIZE), "32") << "3 selects the item 32";
  });
}

TEST_F(SetupDialogTest, SaveWithNothingChangedAsksNothingStoresEverythingAndSetsBothFlags) {
  startView();
  monitorState.timerRestartPending = 0;
  monitorState.redrawPending = 0;
  const int result = runSetup([](CSetupDlg&, DialogDriver& d) { d.click(IDOK); });
  EXPECT_EQ(result, IDOK);
  EXPECT_TRUE(sys().messageBoxes().empty());
  EXPECT_EQ(monitorState.timerRestartPending, 1);
  EXPECT_EQ(monitorState.redrawPending, 1);
  EXPECT_EQ(stored("Port1"), "COM3");
  EXPECT_EQ(stored("MEMSIZE"), "2");
  EXPECT_EQ(stored("POLLTIME"), "10");
  EXPECT_EQ(stored("Disable"), "0");
}

TEST_F(SetupDialogTest, ATypedRateComesBackAsTypedEvenWhenItBeginsAListEntry) {
  // A stored text and the list item it selects: list entries select themselves;
  // any other text shows as it is and a SAVE without a touch keeps it.
  struct Case {
    const char* stored;
    int selection;
  };
  const Case cases[] = {
      {"25600", CB_ERR}, {"1152", CB_ERR}, {"5760", CB_ERR}, {"3000000", CB_ERR},
      {"256000", 14},    {"110", 0},       {"", CB_ERR},     {"abc", CB_ERR},
  };
  startView();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    store("BaudRate1", c.stored);
    store("BaudRate2", c.stored);
    runSetup([&](CSetupDlg&, DialogDriver& d) {
      EXPECT_EQ(d.text(IDC_BAUDRATE1), c.stored);
      EXPECT_EQ(d.selection(IDC_BAUDRATE1), c.selection);
      EXPECT_EQ(d.text(IDC_BAUDRATE2), c.stored);
      d.click(IDOK);
    });
    EXPECT_EQ(stored("BaudRate1"), c.stored);
    EXPECT_EQ(stored("BaudRate2"), c.stored);
  }
  store("MEMSIZE", "3");
  runSetup([](CSetupDlg&, DialogDriver& d) {
    EXPECT_EQ(d.text(IDC_MEMSIZE), "32") << "the other drop-downs keep the prefix rule";
  });
}

TEST_F(SetupDialogTest, ConfirmedSizeChangeWhileConnectedClosesThePortsAndEmptiesTheDump) {
  startView();
  connect();
  receive(40);
  tick();
  ASSERT_EQ(monitorState.recordCount, 3);
  answerBoxes(IDOK);
  const int result = runSetup([](CSetupDlg&, DialogDriver& d) {
    d.pick(IDC_MEMSIZE, 2);  // 4 MiB
    d.enter();
  });
  EXPECT_EQ(result, IDOK);
  ASSERT_EQ(sys().messageBoxes().size(), 1u);
  const auto& box = sys().messageBoxes()[0];
  EXPECT_EQ(box.text, kSizeQuestion);
  EXPECT_EQ(box.caption, "Warnning");
  EXPECT_EQ(box.style, 49u);
  EXPECT_NE(box.owner, platform::kNoWindow) << "owned by the dialog";
  EXPECT_EQ(monitorState.connected, 0) << "Connect is offered again";
  EXPECT_FALSE(comm.isOpen("COM3"));
  EXPECT_FALSE(comm.isOpen("COM4"));
  EXPECT_EQ(monitorState.recordCount, 0);
  EXPECT_EQ(monitorState.memSizeMBLoaded, 4);
  EXPECT_EQ(captureBufferBytes(), 4 * kBytesPerMiB);
  EXPECT_TRUE(sys().timerPeriod(view.GetSafeHwnd(), CKORVANEView::kPollTimerId).has_value())
      << "the poll timer is left running";
  receive(10);
  tick();
  EXPECT_EQ(monitorState.recordCount, 0) << "polling stays off until Connect";
}

TEST_F(SetupDialogTest, ConfirmedSizeChangeWhileNotConnectedLeavesThePortsAlone) {
  startView();
  answerBoxes(IDOK);
  runSetup([](CSetupDlg&, DialogDriver& d) {
    d.type(IDC_MEMSIZE, "3");  // outside the list, still a usable size
    d.click(IDOK);
  });
  EXPECT_EQ(boxesWithText(kSizeQuestion), 1u);
  EXPECT_TRUE(comm.openRequests().empty());
  EXPECT_TRUE(comm.closedPaths().empty());
  EXPECT_EQ(monitorState.memSizeMBLoaded, 3);
  EXPECT_EQ(captureBufferBytes(), 3 * kBytesPerMiB);
  EXPECT_EQ(stored("MEMSIZE"), "3");
  // A further SAVE with the same size asks nothing.
  runSetup([](CSetupDlg&, DialogDriver& d) {
    EXPECT_EQ(d.text(IDC_MEMSIZE), "32") << "a stored 3 shows as 32";
    d.type(IDC_MEMSIZE, "3");
    d.click(IDOK);
  });
  EXPECT_EQ(boxesWithText(kSizeQuestion), 1u);
}

TEST_F(SetupDialogTest, CancelToTheSizeQuestionKeepsTheBufferUntilTheNextConnect) {
  startView();
  connect();
  receive(20);
  tick();
  ASSERT_EQ(monitorState.recordCount, 2);
  answerBoxes(IDCANCEL);
  const int result = runSetup([](CSetupDlg&, DialogDriver& d) {
    d.pick(IDC_MEMSIZE, 3);  // 8 MiB
    d.click(IDOK);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(boxesWithText(kSizeQuestion), 1u);
  EXPECT_EQ(monitorState.recordCount, 2) << "the records stay";
  EXPECT_EQ(monitorState.connected, 1);
  EXPECT_EQ(monitorState.memSizeMB, 8);
  EXPECT_EQ(monitorState.memSizeMBLoaded, 2);
  EXPECT_EQ(captureBufferBytes(), 2 * kBytesPerMiB) << "the buffer in use keeps its size";
  EXPECT_EQ(stored("MEMSIZE"), "8");
  view.OnConnect();
  EXPECT_EQ(monitorState.memSizeMBLoaded, 8);
  EXPECT_EQ(captureBufferBytes(), 8 * kBytesPerMiB);
  EXPECT_EQ(monitorState.recordCount, 0);
}

TEST_F(SetupDialogTest, DisableActsAtOnceAndCancelStoresNothing) {
  startView();
  ASSERT_EQ(monitorState.portBDisabled, 0);
  const auto writesBefore = registry.writes().size();
  monitorState.timerRestartPending = 0;
  monitorState.redrawPending = 0;
  const int result = runSetup([](CSetupDlg& dlg, DialogDriver& d) {
    d.click(IDC_DISABLE);
    EXPECT_TRUE(d.checked(IDC_DISABLE));
    EXPECT_EQ(dlg.m_settings.disable, 1);
    EXPECT_EQ(monitorState.portBDisabled, 1) << "at once, while the dialog is open";
    d.click(IDCANCEL);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(monitorState.portBDisabled, 1);
  EXPECT_EQ(registry.writes().size(), writesBefore);
  EXPECT_EQ(stored("Disable"), "<no key>");
  EXPECT_EQ(monitorState.timerRestartPending, 0);
  EXPECT_EQ(monitorState.redrawPending, 0);

  // Opening again reads the stored switch back; two clicks leave it as it was.
  runSetup([](CSetupDlg&, DialogDriver& d) {
    EXPECT_EQ(monitorState.portBDisabled, 0);
    d.click(IDC_DISABLE);
    d.click(IDC_DISABLE);
    EXPECT_EQ(monitorState.portBDisabled, 0);
    d.click(IDOK);
  });
  EXPECT_EQ(stored("Disable"), "0");
}

TEST_F(SetupDialogTest, AStoredPollingTimeOfFourCharactersFailsValidationAndStaysOpen) {
  store("POLLTIME", "100");
  store("StopBit1", "2");
  startView();
  // A four-character text, as only a hand-edited store can hold it.
  store("POLLTIME", "1000");
  answerBoxes(IDOK);
  bool stayedOpen = false;
  int focusAfter = 0;
  runSetup([&](CSetupDlg& dlg, DialogDriver& d) {
    EXPECT_EQ(d.text(IDC_POLLTIME), "1000");
    d.pick(IDC_MEMSIZE, 2);  // step 6: before the polling time, taken
    d.pick(IDC_PORT1, 4);    // step 10: after it, not taken
    d.pick(IDC_STOPBIT1, 0);
    monitorState.timerRestartPending = 0;
    monitorState.redrawPending = 0;
    d.click(IDOK);
    stayedOpen = !headless::system().dialogEnded(dlg);
    focusAfter = d.focusId();
  });
  EXPECT_TRUE(stayedOpen);
  EXPECT_EQ(focusAfter, IDC_POLLTIME);
  EXPECT_EQ(boxesWithText("Enter no more than 3 characters."), 2u) << "in step 1 and in step 4";
  EXPECT_EQ(stored("MEMSIZE"), "4");
  EXPECT_EQ(stored("Port1"), "COM3") << "the record keeps what was loaded";
  EXPECT_EQ(stored("StopBit1"), "2");
  EXPECT_EQ(stored("POLLTIME"), "1000");
  EXPECT_EQ(monitorState.timerRestartPending, 1);
  EXPECT_EQ(monitorState.redrawPending, 1);
}

TEST_F(SetupDialogTest, LettersAsPollingTimeAreStoredAsTypedAndTheTimerStaysAtTenMs) {
  startView();
  runSetup([](CSetupDlg&, DialogDriver& d) {
    d.type(IDC_POLLTIME, "abcd");
    EXPECT_EQ(d.text(IDC_POLLTIME), "abc") << "typing stops at three characters";
    d.click(IDOK);
  });
  EXPECT_EQ(stored("POLLTIME"), "abc");
  EXPECT_EQ(monitorState.pollTimeMs, 0);
  tick();  // serves the restart flag
  EXPECT_EQ(sys().timerPeriod(view.GetSafeHwnd(), CKORVANEView::kPollTimerId), 10u);
}

TEST_F(SetupDialogTest, AMemorySizeTheStoreCannotHoldIsRefusedBeforeAnythingIsStored) {
  startView();
  receive(16);
  connect();
  tick();
  const int records = monitorState.recordCount;
  for (const std::string typed : {"64", "0", "abc", "3.5", "", "99999999999"}) {
    sys().reset();
    ASSERT_TRUE(view.CreateNative(platform::WindowKind::View, nullptr, {}));
    const auto writesBefore = registry.writes().size();
    monitorState.timerRestartPending = 0;
    bool stayedOpen = false;
    int focus = 0;
    runSetup([&](CSetupDlg& dlg, DialogDriver& d) {
      d.type(IDC_MEMSIZE, typed);
      d.click(IDOK);
      stayedOpen = !headless::system().dialogEnded(dlg);
      focus = d.focusId();
    });
    EXPECT_TRUE(stayedOpen) << typed;
    EXPECT_EQ(focus, IDC_MEMSIZE) << typed;
    ASSERT_EQ(sys().messageBoxes().size(), 1u) << typed;
    EXPECT_EQ(sys().messageBoxes()[0].text, "Memory size must be 1 to 32 MB");
    EXPECT_EQ(sys().messageBoxes()[0].caption, "Warnning");
    EXPECT_NE(sys().messageBoxes()[0].owner, platform::kNoWindow);
    EXPECT_EQ(registry.writes().size(), writesBefore) << typed;
    EXPECT_EQ(monitorState.timerRestartPending, 0) << typed;
    EXPECT_EQ(monitorState.memSizeMBLoaded, 2);
    EXPECT_EQ(monitorState.recordCount, records);
    EXPECT_EQ(monitorState.connected, 1);
  }
}

// A Windows user is told about COM names, a Linux user about device links;
// neither gets the other's paths.
TEST(LongPortNameAdvice, SpeaksOfTheSystemsOwnNames) {
  const std::string advice = platform::longPortNameAdvice();
#ifdef _WIN32
  EXPECT_NE(advice.find("COM12"), std::string::npos) << advice;
  EXPECT_NE(advice.find("Device Manager"), std::string::npos) << advice;
  EXPECT_EQ(advice.find("/dev/"), std::string::npos) << advice;
  EXPECT_EQ(advice.find("~/"), std::string::npos) << advice;
  EXPECT_NE(platform::remoteLineNameAdvice().find("%APPDATA%\\Korvane\\ports"), std::string::npos);
#else
  EXPECT_NE(platform::remoteLineNameAdvice().find("~/.config/korvane/ports/"), std::string::npos);
  EXPECT_EQ(advice,
            "To use a longer device path on Linux, make a symbolic link with a short name in "
            "~/.config/korvane/ports/ (for example to a /dev/serial/by-id/ name) and enter that "
            "name.");
#endif
}

TEST_F(SetupDialogTest, APortNameLongerThanEightCharactersIsRefusedAndNothingIsStored) {
  struct Case {
    int field;
    const char* typed;
    std::string refusal;  // empty: accepted as before
  };
  // The advice after the refusal is the system's own (see below).
  const std::string advice = platform::longPortNameAdvice();
  const Case cases[] = {
      {IDC_PORT1, "ttyUSB100",
       "PORT A: the port name \"ttyUSB100\" is longer than 8 characters. Only 8 are stored, "
       "which would name another device. " +
           advice},
      {IDC_PORT2, "usb-FTDI_FT232R",
       "PORT B: the port name \"usb-FTDI_FT232R\" is longer than 8 characters. Only 8 are "
       "stored, which would name another device. " +
           advice},
      {IDC_PORT1, "rfc2217://10.0.0.5:4001",
       "PORT A: the port name \"rfc2217://10.0.0.5:4001\" is longer than 8 characters. Only 8 "
       "are stored, which would name another device. " +
           platform::remoteLineNameAdvice()},
      {IDC_PORT1, "ttyUSB10", ""},
  };
  startView();
  for (const Case& c : cases) {
    sys().reset();
    ASSERT_TRUE(view.CreateNative(platform::WindowKind::View, nullptr, {}));
    const auto writesBefore = registry.writes().size();
    monitorState.timerRestartPending = 0;
    monitorState.redrawPending = 0;
    bool stayedOpen = false;
    int focus = 0;
    runSetup([&](CSetupDlg& dlg, DialogDriver& d) {
      d.type(c.field, c.typed);
      d.click(IDOK);
      stayedOpen = !headless::system().dialogEnded(dlg);
      focus = d.focusId();
      if (stayedOpen) d.click(IDCANCEL);
    });
    if (c.refusal.empty()) {
      EXPECT_FALSE(stayedOpen) << c.typed;
      EXPECT_TRUE(sys().messageBoxes().empty()) << c.typed;
      EXPECT_EQ(stored("Port1"), c.typed) << "eight characters are stored whole";
      EXPECT_EQ(monitorState.timerRestartPending, 1);
      continue;
    }
    EXPECT_TRUE(stayedOpen) << c.typed;
    EXPECT_EQ(focus, c.field) << c.typed;
    ASSERT_EQ(sys().messageBoxes().size(), 1u) << c.typed;
    EXPECT_EQ(sys().messageBoxes()[0].text, c.refusal);
    EXPECT_EQ(sys().messageBoxes()[0].caption, "KORVANE");
    EXPECT_EQ(sys().messageBoxes()[0].style, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_NE(sys().messageBoxes()[0].owner, platform::kNoWindow) << "owned by the dialog";
    EXPECT_EQ(registry.writes().size(), writesBefore) << c.typed;
    EXPECT_EQ(monitorState.timerRestartPending, 0) << c.typed;
    EXPECT_EQ(monitorState.redrawPending, 0) << c.typed;
  }
}

TEST_F(SetupDialogTest, PollingGoesOnWhileTheDialogAndTheSizeQuestionAreOpen) {
  startView();
  connect();
  int recordsBeforeQuestion = 0;
  sys().setMessageBoxHandler([&](const platform::MessageBoxRequest&) {
    recordsBeforeQuestion = monitorState.recordCount;
    receive(16);
    tick();
    EXPECT_EQ(monitorState.recordCount, recordsBeforeQuestion + 1) << "into the old buffer";
    return IDCANCEL;
  });
  runSetup([this](CSetupDlg&, DialogDriver& d) {
    receive(32);
    sys().advance(10);
    EXPECT_EQ(monitorState.recordCount, 2);
    d.pick(IDC_MEMSIZE, 4);
    d.click(IDOK);
  });
  EXPECT_EQ(recordsBeforeQuestion, 2);
  EXPECT_EQ(monitorState.recordCount, 3);
}

}  // namespace
