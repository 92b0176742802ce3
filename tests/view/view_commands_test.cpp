#include <string>
#include <vector>

#include "tests/view/view_fixture.h"

namespace {

using Paths = std::vector<std::string>;

class ViewCommandsTest : public ViewFixture {};

TEST_F(ViewCommandsTest, InitialUpdateMakesFontCaretEmptyStoreAndTimer) {
  storeText("POLLTIME", "25");
  view.OnInitialUpdate();
  const platform::LogFont expected{18, 8, 0, 0, 400, 0, 0, 0, 186, 0, 1, 0, 49, "Terminal"};
  EXPECT_TRUE(view.displayFont().IsCreated());
  EXPECT_EQ(view.displayFont().logFont(), expected);
  EXPECT_TRUE(ws().caret().visible());
  EXPECT_EQ(ws().caret().owner, view.m_hWnd);
  EXPECT_EQ(ws().caret().width, 8);
  EXPECT_EQ(ws().caret().height, 18);
  EXPECT_EQ(ws().timerPeriod(view.m_hWnd, 1), 25u);
  EXPECT_EQ(monitorState.timerId, 1u);
  EXPECT_EQ(monitorState.connected, 0);
  EXPECT_EQ(monitorState.recordCount, 0);
  EXPECT_GE(ws().window(view.m_hWnd)->invalidations, 1) << "a full repaint is scheduled";
  EXPECT_TRUE(comm.openRequests().empty());
}

TEST_F(ViewCommandsTest, PollingPeriodOfZeroOrLessRunsAtTheMinimum) {
  for (const char* text : {"0", "-5"}) {
    storeText("POLLTIME", text);
    view.OnInitialUpdate();
    EXPECT_EQ(ws().timerPeriod(view.m_hWnd, 1), 10u) << text;
  }
}

TEST_F(ViewCommandsTest, RepeatedInitialUpdateReleasesOpenPortsFirst) {
  start();
  connectAndSettle();
  view.OnInitialUpdate();
  EXPECT_EQ(comm.closedPaths(), (Paths{kPortA, kPortB}));
  EXPECT_EQ(monitorState.connected, 0);
  command(ID_CONNECT);
  EXPECT_FALSE(ws().exitStatus().has_value()) << "the ports were free to open again";
  EXPECT_EQ(monitorState.connected, 1);
}

TEST_F(ViewCommandsTest, ConnectStartsAnEmptyCaptureWithoutDrawing) {
  start();
  addRecords(4);
  monitorState.pollSeq = 9;
  command(ID_CONNECT);
  EXPECT_EQ(monitorState.connected, 1);
  EXPECT_EQ(monitorState.recordCount, 0);
  EXPECT_EQ(monitorState.pollSeq, 0);
  EXPECT_EQ(comm.openRequests(), (Paths{kPortA, kPortB}));
  EXPECT_EQ(ws().drawCount(), 0);
  EXPECT_EQ(monitorState.redrawPending, 1);
  EXPECT_EQ(ws().timerPeriod(view.m_hWnd, 1), 10u);
}

TEST_F(ViewCommandsTest, ConnectWhileConnectedClosesBeforeReopening) {
  start();
  connectAndSettle();
  queue(kPortA, 3);
  tick();
  command(ID_CONNECT);
  EXPECT_EQ(comm.closedPaths(), (Paths{kPortA, kPortB}));
  EXPECT_EQ(comm.device(kPortA)->opens, 2);
  EXPECT_EQ(comm.device(kPortB)->opens, 2);
  EXPECT_EQ(monitorState.connected, 1);
  EXPECT_EQ(monitorState.recordCount, 0);
  EXPECT_FALSE(ws().exitStatus().has_value());
}

TEST_F(ViewCommandsTest, PortThatCannotOpenEndsTheProcessWithFailure) {
  start();
  comm.device(kPortB)->refuseOpen = true;
  try {
    command(ID_CONNECT);
    FAIL() << "the process goes on";
  } catch (const headless::ProcessExit& exit) {
    EXPECT_NE(exit.status, 0);
  }
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, "Can not Open PORT B");
}

TEST_F(ViewCommandsTest, DisconnectKeepsTheCaptureAndStopsTheTimer) {
  start();
  connectAndSettle();
  queue(kPortA, 30 * 16);
  tick();
  const int records = monitorState.recordCount;
  command(ID_DISCONNECT);
  EXPECT_EQ(monitorState.connected, 0);
  EXPECT_EQ(comm.closedPaths(), (Paths{kPortA, kPortB}));
  EXPECT_EQ(ws().runningTimerCount(), 0u);
  EXPECT_EQ(monitorState.recordCount, records);
  EXPECT_EQ(monitorState.caretRow, records - 1);
  EXPECT_EQ(monitorState.topRow, 8);

  ws().clearDrawing();
  key(0x49);  // Page Up browses what was captured
  EXPECT_EQ(monitorState.topRow, 0);
  EXPECT_EQ(ws().drawCount(), 1);
}

TEST_F(ViewCommandsTest, DisconnectWhileDisconnectedStillStopsTheTimer) {
  start();
  command(ID_DISCONNECT);
  EXPECT_EQ(ws().runningTimerCount(), 0u);
  EXPECT_TRUE(comm.closedPaths().empty());
  EXPECT_EQ(monitorState.connected, 0);
}

TEST_F(ViewCommandsTest, RestartWhileConnectedEndsDisconnectedAndEmpty) {
  start();
  connectAndSettle();
  queue(kPortA, 20);
  tick();
  command(ID_RESTART_CAPTURE);
  EXPECT_EQ(monitorState.connected, 0);
  EXPECT_EQ(monitorState.recordCount, 0);
  EXPECT_EQ(comm.closedPaths(), (Paths{kPortA, kPortB}));
  EXPECT_EQ(monitorState.redrawPending, 1);
  EXPECT_EQ(ws().timerPeriod(view.m_hWnd, 1), 10u);
  ws().clearDrawing();
  tick();
  EXPECT_EQ(ws().drawCount(), 1);
  EXPECT_TRUE(ws().textOps().empty());
  EXPECT_EQ(comm.device(kPortA)->opens, 1) << "restart does not open";
}

TEST_F(ViewCommandsTest, DisabledPortBIsOpenedAndClosedNever) {
  storeText("Disable", "1");
  start();
  command(ID_CONNECT);
  EXPECT_EQ(comm.openRequests(), (Paths{kPortA}));
  command(ID_DISCONNECT);
  EXPECT_EQ(comm.closedPaths(), (Paths{kPortA}));
  command(ID_CONNECT);
  command(ID_RESTART_CAPTURE);
  EXPECT_EQ(comm.closedPaths(), (Paths{kPortA, kPortA}));
}

TEST_F(ViewCommandsTest, CommandMapTakesTheViewsCommandsOnly) {
  start();
  for (UINT id : {ID_CONNECT, ID_DISCONNECT, ID_RESTART_CAPTURE, ID_READ_FILE, ID_SAVE_FILE}) {
    EXPECT_TRUE(command(id)) << id;
  }
  EXPECT_FALSE(command(ID_APP_ABOUT));
  EXPECT_FALSE(command(32774));  // Setup belongs to the frame
}

TEST_F(ViewCommandsTest, CaretKeysMoveWithinThePageWithoutRedrawing) {
  start();
  addRecords(30);
  ws().clearDrawing();
  key(0x50);  // Down
  EXPECT_EQ(ws().drawCount(), 0);
  EXPECT_EQ(ws().caret().y, 18);
  key(0x4D);  // Right
  EXPECT_EQ(ws().caret().x, 8);
  key(0x0151);  // Page Down, extended flag set
  EXPECT_EQ(ws().drawCount(), 1);
  EXPECT_EQ(monitorState.topRow, 8);
  EXPECT_EQ(ws().caret().x, 0);
  EXPECT_EQ(ws().caret().y, 0);
  key(0x47);  // Home: nothing
  EXPECT_EQ(ws().drawCount(), 1);
}

}  // namespace
