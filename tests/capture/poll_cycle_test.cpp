#include "capture/poll_cycle.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "platform/headless/headless_window_system.h"
#include "tests/support/fresh_store.h"

namespace {

// Ports as queues of read results: a byte count to deliver, or -1.
class ScriptedHost final : public PollCycleHost {
 public:
  std::deque<int> results[2];
  std::vector<int> readsOf;  // port of each read, in order
  int redraws = 0;
  int stops = 0;
  int recordCountAtRedraw = -1;
  int repeatFullReads = 0;  // a port that always has 256 bytes more

  int readPort(int port, std::uint8_t* buffer) override {
    readsOf.push_back(port);
    if (port == 0 && repeatFullReads > 0) {
      --repeatFullReads;
      std::fill(buffer, buffer + 256, std::uint8_t{0x11});
      return 256;
    }
    auto& queue = results[port];
    if (queue.empty()) return 0;
    const int n = queue.front();
    queue.pop_front();
    for (int i = 0; i < n && i < 256; ++i) buffer[i] = static_cast<std::uint8_t>(port * 100 + i);
    return n;
  }
  void redrawCapture() override {
    ++redraws;
    recordCountAtRedraw = monitorState.recordCount;
  }
  void stopOnFullStore() override {
    ++stops;
    monitorState.connected = 0;
  }
};

class PollCycleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    startWithEmptyStore();
    monitorState.connected = 1;
  }
  void TearDown() override { resetProcessState(); }

  static void appendRecords(int count) {
    const std::uint8_t byte = 0x42;
    for (int i = 0; i < count; ++i) appendChunk(0, &byte, 1);
    monitorState.newData = 0;
  }
  static std::string label(int slot) {
    return std::string(reinterpret_cast<const char*>(RecordIndex[slot].record) + 2, 8);
  }

  ScriptedHost host;
};

TEST_F(PollCycleTest, NotConnectedReadsNothingAndKeepsTheCount) {
  monitorState.connected = 0;
  host.results[0] = {5};
  pollConnectedPorts(host);
  EXPECT_TRUE(host.readsOf.empty());
  EXPECT_EQ(monitorState.pollSeq, 0);
  EXPECT_EQ(monitorState.recordCount, 0);
  EXPECT_EQ(host.redraws, 0);
}

TEST_F(PollCycleTest, ConnectedTickWithoutDataCountsTheTickOnly) {
  monitorState.caretCol = 4;
  pollConnectedPorts(host);
  EXPECT_EQ(monitorState.pollSeq, 1);
  EXPECT_EQ(monitorState.recordCount, 0);
  EXPECT_EQ(host.readsOf, (std::vector<int>{0, 1}));
  EXPECT_EQ(host.redraws, 0);
  EXPECT_EQ(monitorState.caretCol, 4) << "no data, no caret move";
}

TEST_F(PollCycleTest, FullReadIsFollowedByAnotherReadOfTheSamePort) {
  host.results[0] = {256, 10};
  pollConnectedPorts(host);
  const MonitorState& s = monitorState;
  ASSERT_EQ(s.recordCount, 17);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(RecordIndex[i].record[0], 16);
  EXPECT_EQ(RecordIndex[16].record[0], 10);
  for (int i = 0; i < 17; ++i) EXPECT_EQ(label(i), "000001: ");
  EXPECT_EQ(host.readsOf, (std::vector<int>{0, 0, 1}));
  EXPECT_EQ(s.caretRow, 16);
  EXPECT_EQ(s.caretCol, 10);
  EXPECT_EQ(host.redraws, 1);
  EXPECT_EQ(s.newData, 0);
}

TEST_F(PollCycleTest, PortBOnlyGivesTagTwoAndMovesTheCaret) {
  host.results[1] = {5};
  pollConnectedPorts(host);
  ASSERT_EQ(monitorState.recordCount, 1);
  EXPECT_EQ(RecordIndex[0].record[1], 2);
  EXPECT_EQ(monitorState.caretRow, 0);
  EXPECT_EQ(monitorState.caretCol, 5);
}

TEST_F(PollCycleTest, PortAComesBeforePortBInATick) {
  host.results[0] = {3};
  host.results[1] = {4};
  pollConnectedPorts(host);
  pollConnectedPorts(host);  // nothing in tick 2
  host.results[1] = {1};
  pollConnectedPorts(host);
  ASSERT_EQ(monitorState.recordCount, 3);
  EXPECT_EQ(RecordIndex[0].record[1], 1);
  EXPECT_EQ(RecordIndex[1].record[1], 2);
  EXPECT_EQ(label(1), "000001: ");
  EXPECT_EQ(label(2), "000003: ") << "labels count ticks, not records";
}

TEST_F(PollCycleTest, DisabledPortBIsNeverRead) {
  monitorState.portBDisabled = 1;
  host.results[1] = {5};
  pollConnectedPorts(host);
  EXPECT_EQ(host.readsOf, (std::vector<int>{0}));
  EXPECT_EQ(monitorState.recordCount, 0);
}

TEST_F(PollCycleTest, FailedReadOnPortADoesNotStopPortB) {
  host.results[0] = {-1};
  host.results[1] = {2};
  pollConnectedPorts(host);
  EXPECT_EQ(host.readsOf, (std::vector<int>{0, 1}));
  EXPECT_EQ(monitorState.recordCount, 1);
  EXPECT_EQ(host.stops, 0);
}

TEST_F(PollCycleTest, NewRecordBelowThePageScrollsItToTheBottomRow) {
  appendRecords(30);
  host.results[0] = {1};
  pollConnectedPorts(host);
  EXPECT_EQ(monitorState.recordCount, 31);
  EXPECT_EQ(monitorState.topRow, 9);
  EXPECT_EQ(monitorState.caretRow, 30);
}

TEST_F(PollCycleTest, NewRecordOnThePageKeepsTheTopRow) {
  appendRecords(10);
  host.results[0] = {1};
  pollConnectedPorts(host);
  EXPECT_EQ(monitorState.topRow, 0);
  EXPECT_EQ(monitorState.caretRow, 10);
}

TEST_F(PollCycleTest, TickStartingWithAFullIndexStopsWithoutReading) {
  monitorState.recordCount = kRecordIndexSlots;
  host.results[0] = {5};
  pollConnectedPorts(host);
  EXPECT_EQ(host.stops, 1);
  EXPECT_TRUE(host.readsOf.empty());
  EXPECT_EQ(monitorState.pollSeq, 0);
}

TEST_F(PollCycleTest, FullIndexWhileNotConnectedStopsNothing) {
  monitorState.connected = 0;
  monitorState.recordCount = kRecordIndexSlots;
  pollConnectedPorts(host);
  EXPECT_EQ(host.stops, 0);
}

TEST_F(PollCycleTest, StoreRunningFullWithinATickShowsWhatFitThenStops) {
  monitorState.memSizeMB = 1;
  allocateCaptureStore();
  monitorState.connected = 1;
  const std::vector<std::uint8_t> chunk(256, 0x33);
  for (int i = 0; i < 2520; ++i) appendChunk(0, chunk.data(), 256);  // 256 bytes stay free
  monitorState.newData = 0;
  const int before = monitorState.recordCount;

  host.repeatFullReads = 1000;  // port A would go on for ever
  host.results[1] = {5};
  pollConnectedPorts(host);
  EXPECT_EQ(monitorState.recordCount, before + 9);
  EXPECT_EQ(host.readsOf, (std::vector<int>{0})) << "no reading once the store is full";
  EXPECT_EQ(host.redraws, 1);
  EXPECT_EQ(host.recordCountAtRedraw, before + 9) << "what fit is shown before the stop";
  EXPECT_EQ(monitorState.caretRow, before + 8);
  EXPECT_EQ(host.stops, 1);
}

TEST_F(PollCycleTest, OverflowedStoreStopsTheNextTickToo) {
  monitorState.storeOverflowed = 1;
  pollConnectedPorts(host);
  EXPECT_EQ(host.stops, 1);
  EXPECT_TRUE(host.readsOf.empty());
}

TEST_F(PollCycleTest, ReadClaimingMoreThanTheBufferCountsAsAFullRead) {
  host.results[0] = {300};
  pollConnectedPorts(host);
  EXPECT_EQ(monitorState.recordCount, 16) << "only the buffer's 256 bytes are appended";
  EXPECT_EQ(host.readsOf, (std::vector<int>{0, 0, 1}));
}

TEST_F(PollCycleTest, TickNumberWrapsAroundInsteadOfOverflowing) {
  monitorState.pollSeq = 2147483647;
  host.results[0] = {1};
  pollConnectedPorts(host);
  EXPECT_EQ(monitorState.pollSeq, -2147483647 - 1);
  EXPECT_EQ(label(0), "-2147483");
}

}  // namespace
