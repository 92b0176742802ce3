#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "app/korvane_app.h"
#include "app/main_frame.h"
#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "platform/comm/comm_backend.h"
#include "platform/framework/cdialog.h"
#include "platform/headless/fake_comm.h"
#include "platform/headless/headless_window_system.h"
#include "platform/headless/memory_registry.h"
#include "platform/registry/registry_backend.h"
#include "res/resource.h"
#include "tests/app/temp_folder.h"
#include "view/korvane_view.h"

namespace {

class MonitorShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ws.reset();
    resetCaretForTests();
    resetProcessState();
    platform::installRegistryBackend(&registry);
    platform::installCommBackend(&comm);
    comm.addDevice("COM3");
    comm.addDevice("COM4");
    ws.setDialogHandler(
        [this](CDialog& dialog) { dialogsShown.push_back(dialog.GetTemplateId()); });
  }
  void TearDown() override {
    app.reset();
    resetProcessState();
  }

  void start(std::vector<std::string> arguments = {}) {
    app = std::make_unique<CKORVANEApp>();
    app->SetCommandLine(std::move(arguments));
    ASSERT_TRUE(app->InitInstance());
  }
  CFrameWnd& frame() const { return *app->GetDocTemplate()->GetFrame(); }
  CKORVANEView& view() const {
    return *dynamic_cast<CKORVANEView*>(app->GetDocTemplate()->GetView());
  }
  const headless::WindowRecord& frameRecord() const { return *ws.window(frame().GetSafeHwnd()); }
  BOOL command(UINT id) { return frame().DispatchCommand(id); }
  // Opens a popup of the menu bar as the platform does, then reads the Action items.
  void openPopup(int index) {
    frame().DispatchInitMenuPopup(frame().GetMenu()->GetSubMenu(index), static_cast<UINT>(index),
                                  FALSE);
  }
  bool enabled(UINT id) const { return frame().GetMenu()->IsItemEnabled(id); }
  bool grayed(UINT id) const {
    const MenuItem* item = frame().GetMenu()->FindItem(id);
    return item != nullptr && (item->state & MF_GRAYED) != 0 && (item->state & MF_DISABLED) != 0;
  }
  std::optional<UINT> pollPeriod() const {
    return ws.timerPeriod(view().GetSafeHwnd(), CKORVANEView::kPollTimerId);
  }

  headless::HeadlessWindowSystem& ws = headless::system();
  headless::MemoryRegistry registry;
  headless::FakeComm comm;
  std::unique_ptr<CKORVANEApp> app;
  std::vector<UINT> dialogsShown;
  TempFolder folder;
};

TEST_F(MonitorShellTest, StartsWithAnUntitledDocumentInA720By500Window) {
  start();
  EXPECT_EQ(frameRecord().createParams.cx, 720);
  EXPECT_EQ(frameRecord().createParams.cy, 500);
  EXPECT_EQ(frameRecord().createParams.x, CW_USEDEFAULT) << "the position stays the default";
  EXPECT_EQ(frameRecord().text, "Untitled - KORVANE");
  EXPECT_TRUE(frameRecord().visible);
  EXPECT_TRUE(frameRecord().acceptsFiles);
  EXPECT_EQ(app->m_pMainWnd, &frame());
  EXPECT_EQ(app->GetAppName(), "KORVANE");
  // The view's first update started the system: an empty store, the timer.
  EXPECT_EQ(monitorState.connected, 0);
  EXPECT_NE(monitorState.bufferStart, nullptr);
  EXPECT_TRUE(pollPeriod().has_value());
}

TEST_F(MonitorShellTest, PreCreateWindowSetsOnlyTheSize) {
  CMainFrame mainFrame;
  CREATESTRUCT cs;
  cs.x = 12;
  cs.y = 34;
  EXPECT_TRUE(mainFrame.PreCreateWindow(cs));
  EXPECT_EQ(cs.cx, 720);
  EXPECT_EQ(cs.cy, 500);
  EXPECT_EQ(cs.x, 12);
  EXPECT_EQ(cs.y, 34);
}

TEST_F(MonitorShellTest, TheFrameGetsTheMenuBarAndAcceleratorTable) {
  start();
  ASSERT_EQ(frameRecord().menu, frame().GetMenu());
  const CMenu& bar = *frame().GetMenu();
  ASSERT_EQ(bar.GetMenuItemCount(), 4);
  EXPECT_EQ(bar.GetMenuString(2), "Setup");
  EXPECT_EQ(bar.GetMenuItemID(2), ID_SETUP) << "Setup is a command on the bar itself";
  EXPECT_EQ(frameRecord().accelerators.size(), 13u);
}

TEST_F(MonitorShellTest, ConnectIsOfferedWhileDisconnectedAndDisconnectWhileConnected) {
  start();
  for (int popup : {0, 1, 3}) {
    openPopup(popup);
    EXPECT_TRUE(enabled(ID_CONNECT)) << popup;
    EXPECT_TRUE(grayed(ID_DISCONNECT)) << popup;
  }
  command(ID_CONNECT);
  ASSERT_EQ(monitorState.connected, 1);
  openPopup(0);  // whichever popup opens, Action is brought up to date
  EXPECT_TRUE(grayed(ID_CONNECT));
  EXPECT_TRUE(enabled(ID_DISCONNECT));
  // The system menu counts too.
  frame().DispatchInitMenuPopup(nullptr, 0, TRUE);
  EXPECT_TRUE(grayed(ID_CONNECT));

  command(ID_DISCONNECT);
  openPopup(1);
  EXPECT_TRUE(enabled(ID_CONNECT));
  EXPECT_TRUE(grayed(ID_DISCONNECT));
  EXPECT_TRUE(enabled(ID_READ_FILE)) << "nothing else changes";
}

TEST_F(MonitorShellTest, ConnectionCommandsReachTheView) {
  start();
  EXPECT_TRUE(command(ID_CONNECT));
  EXPECT_EQ(monitorState.connected, 1);
  EXPECT_EQ(comm.device("COM3")->opens, 1);
  EXPECT_EQ(comm.device("COM4")->opens, 1);
  EXPECT_EQ(monitorState.redrawPending, 1);

  EXPECT_TRUE(command(ID_DISCONNECT));
  EXPECT_EQ(monitorState.connected, 0);
  EXPECT_EQ(comm.device("COM3")->closes, 1);
  EXPECT_FALSE(pollPeriod().has_value()) << "Disconnect stops the timer";

  EXPECT_TRUE(command(ID_RESTART_CAPTURE));
  EXPECT_TRUE(pollPeriod().has_value());
  EXPECT_EQ(monitorState.connected, 0);
}

TEST_F(MonitorShellTest, EndingWhileConnectedTellsWhatEachPortReceived) {
  comm.device("COM3")->description = "/dev/ttyUSB0";
  comm.device("COM3")->lineErrors.framing = 2;
  start();
  command(ID_CONNECT);
  comm.queueBytes("COM3", std::vector<std::uint8_t>(1500, 'a'));
  comm.queueBytes("COM4", {'b'});
  ws.advance(10);
  ASSERT_EQ(monitorState.connected, 1);
  testing::internal::CaptureStderr();
  app->ExitInstance();  // the message loop has ended: the window was closed
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "PORT A COM3 -> /dev/ttyUSB0: 1,500 bytes, ? parity, 2 framing, ? overrun errors\n"
            "PORT B COM4: 1 bytes, ? parity, ? framing, ? overrun errors\n");
  // Given back as found before the process ends, which would leave them raw.
  EXPECT_EQ(comm.device("COM3")->closes, 1);
  EXPECT_EQ(comm.device("COM4")->closes, 1);
}

TEST_F(MonitorShellTest, FileCommandsAreTheViewsAndNoOtherTargetsOnTheWay) {
  start();
  for (UINT id : {ID_READ_FILE, ID_SAVE_FILE, ID_CONNECT, ID_DISCONNECT, ID_RESTART_CAPTURE}) {
    EXPECT_TRUE(view().OnCmdMsg(id)) << id;
    EXPECT_FALSE(app->OnCmdMsg(id)) << id;
    EXPECT_FALSE(frame().GetActiveDocument()->OnCmdMsg(id)) << id;
  }
  for (UINT id : {ID_APP_ABOUT, ID_SETUP, ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE}) {
    EXPECT_FALSE(view().OnCmdMsg(id)) << id;
  }
  EXPECT_TRUE(frame().GetActiveDocument()->OnCmdMsg(ID_FILE_SAVE));
  EXPECT_TRUE(dialogsShown.empty());
}

TEST_F(MonitorShellTest, FileCommandsReachTheViewsFileDialogs) {
  start();
  EXPECT_TRUE(command(ID_READ_FILE));
  EXPECT_TRUE(command(ID_SAVE_FILE));
  ASSERT_EQ(ws.fileDialogs().size(), 2u);
  EXPECT_TRUE(ws.fileDialogs()[0].open);
  EXPECT_FALSE(ws.fileDialogs()[1].open);
  EXPECT_EQ(ws.fileDialogs()[0].initialFileName, "*.kvn");
}

TEST_F(MonitorShellTest, AboutAndSetupOpenTheirDialogsWithoutAParent) {
  start();
  EXPECT_TRUE(command(ID_APP_ABOUT));
  EXPECT_TRUE(command(ID_SETUP));
  EXPECT_EQ(dialogsShown, (std::vector<UINT>{100, 130}));
}

TEST_F(MonitorShellTest, OpenAsksForACaptureFileWithTheDocumentTypesFilter) {
  start();
  EXPECT_TRUE(command(ID_FILE_OPEN));
  ASSERT_EQ(ws.fileDialogs().size(), 1u);
  EXPECT_TRUE(ws.fileDialogs()[0].open);
  EXPECT_EQ(ws.fileDialogs()[0].filter, "KORVAN Files (*.kvn)|*.kvn||");
}

TEST_F(MonitorShellTest, NewDuringACaptureRestartsTheViewAsAtStartUp) {
  start();
  command(ID_CONNECT);
  const std::vector<std::uint8_t> bytes{'h', 'e', 'l', 'l', 'o'};
  comm.queueBytes("COM3", bytes);
  ws.advance(1000);
  ASSERT_GT(monitorState.recordCount, 0);
  EXPECT_TRUE(frame().TranslateAccelerator('N', FCONTROL));
  EXPECT_EQ(monitorState.recordCount, 0);
  EXPECT_EQ(monitorState.connected, 0);
  EXPECT_EQ(comm.device("COM3")->handle, platform::kInvalidCommHandle) << "ports released";
  EXPECT_TRUE(pollPeriod().has_value());
  EXPECT_TRUE(ws.caret().exists);
  EXPECT_EQ(frameRecord().text, "Untitled - KORVANE");
  command(ID_CONNECT);
  EXPECT_EQ(monitorState.connected, 1) << "the next Connect opens the ports again";
  EXPECT_TRUE(ws.messageBoxes().empty());
}

TEST_F(MonitorShellTest, EditAndPaneAcceleratorsDoNothing) {
  start();
  command(ID_CONNECT);
  comm.queueBytes("COM3", {'a', 'b', 'c'});
  ws.advance(100);
  ws.clearDrawing();
  const MonitorState before = monitorState;
  const struct {
    UINT key;
    BYTE modifiers;
  } keys[] = {{'Z', FCONTROL}, {VK_BACK, FALT},       {'X', FCONTROL}, {VK_DELETE, FSHIFT},
              {'C', FCONTROL}, {VK_INSERT, FCONTROL}, {'V', FCONTROL}, {VK_INSERT, FSHIFT},
              {VK_F6, 0},      {VK_F6, FSHIFT}};
  for (const auto& key : keys) {
    EXPECT_TRUE(frame().TranslateAccelerator(key.key, key.modifiers)) << key.key;
  }
  EXPECT_EQ(std::memcmp(&before, &monitorState, sizeof(MonitorState)), 0);
  EXPECT_TRUE(dialogsShown.empty());
  EXPECT_TRUE(ws.fileDialogs().empty());
  EXPECT_TRUE(ws.messageBoxes().empty());
  EXPECT_EQ(ws.drawCount(), 0);
}

TEST_F(MonitorShellTest, SaveWritesNothingEvenOverAnOpenedCaptureFile) {
  const std::string bytes(
      "\x03\x01"
      "000001: abc",
      13);
  const std::string path = folder.write("capture.kvn", bytes);
  start({path});
  EXPECT_TRUE(frame().TranslateAccelerator('S', FCONTROL));
  EXPECT_EQ(TempFolder::read(path), bytes);
  EXPECT_TRUE(ws.fileDialogs().empty());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST_F(MonitorShellTest, ACaptureFileOnTheCommandLineTitlesTheWindow) {
  const std::string path = folder.write("line.kvn", "");
  start({path});
  EXPECT_EQ(frameRecord().text, "line.kvn - KORVANE");
}

// Two records: "abc" from port A and "de" from port B.
std::string twoRecords() {
  return std::string(
      "\x03\x01"
      "000001: abc"
      "\x02\x02"
      "000002: de",
      25);
}

TEST_F(MonitorShellTest, ACaptureFileOpenedAsTheDocumentShowsItsRecords) {
  const std::string path = folder.write("two.kvn", twoRecords());
  start({path});
  EXPECT_EQ(monitorState.recordCount, 2);
  EXPECT_EQ(monitorState.connected, 0);
  ws.clearDrawing();
  ws.advance(20);
  bool drewPortB = false;
  for (const auto& op : ws.textOps()) drewPortB |= op.bytes.find("de") != std::string::npos;
  EXPECT_TRUE(drewPortB) << "the loaded records are drawn at the next tick";
}

TEST_F(MonitorShellTest, OpenAndDropDuringACaptureEndItAndShowTheFile) {
  start();
  command(ID_CONNECT);
  comm.queueBytes("COM3", {'x', 'y', 'z', 'w', 'v'});
  ws.advance(100);
  const std::string path = folder.write("open.kvn", twoRecords());
  ws.setFileDialogHandler([&](platform::FileDialogRequest& request) {
    request.chosenPath = path;
    return true;
  });
  EXPECT_TRUE(frame().TranslateAccelerator('O', FCONTROL));
  EXPECT_EQ(monitorState.recordCount, 2);
  EXPECT_EQ(monitorState.connected, 0);
  EXPECT_EQ(frameRecord().text, "open.kvn - KORVANE");

  const std::string dropped = folder.write("dropped.kvn", twoRecords() + twoRecords());
  frame().DispatchDropFiles(dropped);
  EXPECT_EQ(monitorState.recordCount, 4);
  EXPECT_EQ(frameRecord().text, "dropped.kvn - KORVANE");
  EXPECT_TRUE(ws.messageBoxes().empty());
}

TEST_F(MonitorShellTest, ACommandLineFileThatCannotBeOpenedEndsStartUp) {
  app = std::make_unique<CKORVANEApp>();
  app->SetCommandLine({folder.file("absent.kvn")});
  EXPECT_FALSE(app->InitInstance());
  EXPECT_EQ(app->m_pMainWnd, nullptr);
  EXPECT_EQ(app->GetDocTemplate()->GetFrame(), nullptr);
}

}  // namespace
