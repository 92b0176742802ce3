#include <algorithm>
#include <string>

#include "tests/view/view_fixture.h"

namespace {

class PollTickTest : public ViewFixture {
 protected:
  static std::string label(int slot) {
    return std::string(reinterpret_cast<const char*>(RecordIndex[slot].record) + 2, 8);
  }
};

TEST_F(PollTickTest, TickWhileNotConnectedServesTheRedrawFlagOnly) {
  start();
  addRecords(2);
  monitorState.redrawPending = 1;
  const int seq = monitorState.pollSeq;
  const std::size_t caretEventsBefore = ws().caretHistory().size();
  tick();
  const auto& history = ws().caretHistory();
  const bool destroyed =
      std::any_of(history.begin() + static_cast<std::ptrdiff_t>(caretEventsBefore), history.end(),
                  [](const auto& c) { return !c.exists; });
  EXPECT_TRUE(destroyed) << "the caret is made anew";
  EXPECT_TRUE(ws().caret().visible());
  EXPECT_EQ(ws().caret().width, 8);
  EXPECT_EQ(ws().caret().height, 18);
  EXPECT_EQ(ws().textOps().size(), 6u);
  EXPECT_EQ(monitorState.redrawPending, 0);
  EXPECT_EQ(monitorState.pollSeq, seq);
  EXPECT_TRUE(comm.readSizes().empty());

  ws().clearDrawing();
  tick();
  EXPECT_EQ(ws().drawCount(), 0) << "nothing pending, nothing drawn";
}

TEST_F(PollTickTest, TimerRestartFlagRestartsTheTimerWithThePollingPeriod) {
  start();
  monitorState.pollTimeMs = 40;
  monitorState.timerRestartPending = 1;
  tick();
  EXPECT_EQ(ws().timerPeriod(view.m_hWnd, 1), 40u);
  EXPECT_EQ(monitorState.timerRestartPending, 0);
  EXPECT_EQ(monitorState.timerId, 1u);

  monitorState.pollTimeMs = -7;
  monitorState.timerRestartPending = 1;
  tick();
  EXPECT_EQ(ws().timerPeriod(view.m_hWnd, 1), 10u) << "no period below the platform minimum";
}

TEST_F(PollTickTest, ConnectedTickWithoutDataCountsButDrawsNothing) {
  start();
  connectAndSettle();
  EXPECT_EQ(monitorState.pollSeq, 1);
  tick();
  EXPECT_EQ(monitorState.pollSeq, 2);
  EXPECT_EQ(monitorState.recordCount, 0);
  EXPECT_EQ(ws().drawCount(), 0);
}

TEST_F(PollTickTest, FullChunkAndRestArriveAsSeventeenRecordsOfOneTick) {
  start();
  connectAndSettle();
  queue(kPortA, 266);
  tick();
  ASSERT_EQ(monitorState.recordCount, 17);
  EXPECT_EQ(RecordIndex[16].record[0], 10);
  for (int i = 0; i < 17; ++i) EXPECT_EQ(label(i), "000002: ");
  std::size_t labels = 0;
  for (const auto& op : ws().textOps()) labels += op.x == 0 ? 1 : 0;
  EXPECT_EQ(labels, 1u) << "one label for the tick";
  EXPECT_EQ(ws().caret().x, 80);
  EXPECT_EQ(ws().caret().y, 16 * 18);
}

TEST_F(PollTickTest, PortBAloneGivesARedRecordAndTheCaretAfterItsBytes) {
  start();
  connectAndSettle();
  queue(kPortB, 5);
  tick();
  ASSERT_EQ(monitorState.recordCount, 1);
  EXPECT_EQ(RecordIndex[0].record[1], 2);
  EXPECT_EQ(monitorState.caretRow, 0);
  EXPECT_EQ(monitorState.caretCol, 5);
  EXPECT_EQ(ws().caret().x, 40);
  ASSERT_FALSE(ws().textOps().empty());
  EXPECT_EQ(ws().textOps()[0].color, RGB(192, 0, 0));
}

TEST_F(PollTickTest, DisabledPortBIsNeitherOpenedNorRead) {
  storeText("Disable", "1");
  start();
  connectAndSettle();
  EXPECT_EQ(comm.openRequests(), std::vector<std::string>{kPortA});
  const std::size_t readsBefore = comm.readSizes().size();
  tick();
  EXPECT_EQ(comm.readSizes().size(), readsBefore + 1) << "port A only";
}

TEST_F(PollTickTest, FailedReadOnPortADoesNotStopPortB) {
  start();
  connectAndSettle();
  comm.queueResult(kPortA, -1);
  queue(kPortB, 2);
  tick();
  EXPECT_EQ(monitorState.recordCount, 1);
  EXPECT_EQ(monitorState.connected, 1);
  EXPECT_TRUE(comm.isOpen(kPortA));
  EXPECT_TRUE(boxes().empty());
}

TEST_F(PollTickTest, NewestRecordScrollsOntoTheBottomRow) {
  start();
  connectAndSettle();
  queue(kPortA, 30 * 16);
  tick();
  EXPECT_EQ(monitorState.topRow, 8);
  queue(kPortA, 1);
  tick();
  EXPECT_EQ(monitorState.recordCount, 31);
  EXPECT_EQ(monitorState.topRow, 9);
  EXPECT_EQ(monitorState.caretRow, 30);
  EXPECT_EQ(ws().caret().y, 21 * 18);
}

TEST_F(PollTickTest, ConnectDefersItsRedrawToTheNextTick) {
  start();
  addRecords(3);
  command(ID_CONNECT);
  EXPECT_EQ(ws().drawCount(), 0);
  EXPECT_EQ(monitorState.redrawPending, 1);
  tick();
  EXPECT_EQ(monitorState.redrawPending, 0);
  EXPECT_EQ(ws().drawCount(), 1);
  EXPECT_TRUE(ws().textOps().empty()) << "the new capture is empty";
}

TEST_F(PollTickTest, FullIndexAtTheStartOfATickEndsTheCaptureButKeepsIt) {
  start();
  connectAndSettle();
  queue(kPortA, 40);
  tick();
  monitorState.recordCount = kRecordIndexSlots;  // as if the index had filled
  const int seq = monitorState.pollSeq;
  tick();
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, "Receive Buffer Full");
  EXPECT_EQ(boxes()[0].caption, "Error Messge");
  EXPECT_EQ(boxes()[0].style, static_cast<UINT>(MB_OK));
  EXPECT_EQ(boxes()[0].owner, view.m_hWnd);
  EXPECT_FALSE(ws().exitStatus().has_value()) << "the process goes on";
  EXPECT_EQ(monitorState.pollSeq, seq);
  EXPECT_EQ(monitorState.connected, 0);
  EXPECT_FALSE(comm.isOpen(kPortA));
  EXPECT_FALSE(comm.isOpen(kPortB));
  EXPECT_EQ(monitorState.recordCount, kRecordIndexSlots);

  tick();
  tick();
  EXPECT_EQ(boxes().size(), 1u);

  command(ID_CONNECT);
  EXPECT_EQ(monitorState.connected, 1) << "Connect is offered again and works";
  EXPECT_EQ(monitorState.recordCount, 0);
}

TEST_F(PollTickTest, BufferRunningFullWithinATickKeepsWhatFitBrowsable) {
  storeText("MEMSIZE", "1");
  start();
  connectAndSettle();
  ASSERT_EQ(captureBufferBytes(), kBytesPerMiB);
  // 2520 chunks of 256 leave 256 bytes of buffer, 9 records more fit.
  for (int i = 0; i < 2521; ++i) queue(kPortA, 256);
  queue(kPortB, 8);
  tick();
  const int expected = 2520 * 16 + 9;
  EXPECT_EQ(monitorState.recordCount, expected);
  EXPECT_EQ(monitorState.caretRow, expected - 1);
  EXPECT_EQ(monitorState.topRow, expected - 22);
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, "Receive Buffer Full");
  EXPECT_EQ(monitorState.connected, 0);
  EXPECT_FALSE(comm.isOpen(kPortA));
  EXPECT_FALSE(ws().exitStatus().has_value());

  ws().clearDrawing();
  key(0x49);  // Page Up
  EXPECT_EQ(monitorState.topRow, expected - 44);
  EXPECT_EQ(ws().textOps().size(), 22u * 3u - 21u) << "one tick's rows: one label";
}

TEST_F(PollTickTest, TicksWhileTheFullNoticeIsUpOpenNoOtherNotice) {
  start();
  connectAndSettle();
  monitorState.recordCount = kRecordIndexSlots;
  int deepest = 0;
  int calls = 0;
  ws().setMessageBoxHandler([&](const platform::MessageBoxRequest&) {
    if (++calls > 1) return IDOK;  // a second notice: answered at once, counted below
    deepest = std::max(deepest, ws().openMessageBoxes());
    ws().advance(100);  // ten ticks inside the notice's loop
    // Even a tick that still finds the capture running opens no second one.
    monitorState.connected = 1;
    tick();
    monitorState.connected = 0;
    deepest = std::max(deepest, ws().openMessageBoxes());
    return IDOK;
  });
  tick();
  EXPECT_EQ(boxes().size(), 1u);
  EXPECT_EQ(deepest, 1);
  EXPECT_EQ(monitorState.bufferFullNoticeOpen, 0);
  tick();
  EXPECT_EQ(boxes().size(), 1u);
}

}  // namespace
