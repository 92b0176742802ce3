// The recorder empties the store between writes while the capture goes on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "tests/support/fresh_store.h"

namespace {

TEST(StoreRecycle, EmptiesTheRecordsButKeepsThePollNumberAndTheConnection) {
  startWithEmptyStore(1);
  MonitorState& s = monitorState;
  s.connected = 1;
  s.pollSeq = 41;
  std::uint8_t bytes[40];
  for (int i = 0; i < 40; ++i) bytes[i] = static_cast<std::uint8_t>(i + 1);
  appendChunk(0, bytes, 40);  // records of 16, 16 and 8 bytes
  ASSERT_EQ(s.recordCount, 3);
  s.caretRow = 2;
  s.topRow = 1;

  recycleCaptureStore();
  EXPECT_EQ(s.recordCount, 0);
  EXPECT_EQ(s.writePos, s.bufferStart);
  EXPECT_EQ(s.pollSeq, 41);
  EXPECT_EQ(s.connected, 1);
  EXPECT_EQ(s.caretRow, 0);
  EXPECT_EQ(s.topRow, 0);
  EXPECT_EQ(RecordIndex[0].record, s.bufferStart);
  for (int slot = 0; slot < 4; ++slot) EXPECT_EQ(RecordIndex[slot].complete, 0) << slot;
  EXPECT_TRUE(std::all_of(s.bufferStart, s.bufferStart + 100, [](std::uint8_t b) {
    return b == 0;
  })) << "old records would come back in a rebuild";

  // The next tick's records start the store again under the next label.
  ++s.pollSeq;
  appendChunk(1, bytes, 5);
  ASSERT_EQ(s.recordCount, 1);
  EXPECT_EQ(RecordIndex[0].record, s.bufferStart);
  EXPECT_EQ(s.bufferStart[0], 5);
  EXPECT_EQ(s.bufferStart[1], 2);
  EXPECT_EQ(std::memcmp(s.bufferStart + 2, "000042: ", 8), 0);
  rebuildRecordIndex();
  EXPECT_EQ(s.recordCount, 1);
  EXPECT_EQ(s.writePos, s.bufferStart + 15);
}

}  // namespace
