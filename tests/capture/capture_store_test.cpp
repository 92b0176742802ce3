#include "capture/capture_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "capture/monitor_state.h"
#include "platform/headless/headless_window_system.h"
#include "tests/support/fresh_store.h"

namespace {

class CaptureStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { startWithEmptyStore(); }
  void TearDown() override { resetProcessState(); }

  static void append(int port, const std::vector<std::uint8_t>& bytes) {
    appendChunk(port, bytes.data(), static_cast<int>(bytes.size()));
  }
  static std::string label(int slot) {
    return std::string(reinterpret_cast<const char*>(RecordIndex[slot].record) + 2, 8);
  }
  static int length(int slot) { return RecordIndex[slot].record[0]; }
};

std::vector<std::uint8_t> counting(int n) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i + 1);
  return bytes;
}

TEST_F(CaptureStoreTest, FreshStoreIsEmptyAndZeroed) {
  const MonitorState& s = monitorState;
  ASSERT_NE(s.bufferStart, nullptr);
  EXPECT_EQ(captureBufferBytes(), 2u * kBytesPerMiB);
  EXPECT_EQ(s.recordCount, 0);
  EXPECT_EQ(s.writePos, s.bufferStart);
  EXPECT_TRUE(std::all_of(s.bufferStart, s.bufferStart + captureBufferBytes(),
                          [](std::uint8_t b) { return b == 0; }));
  EXPECT_TRUE(std::all_of(std::begin(RecordIndex), std::end(RecordIndex),
                          [](const RecordSlot& slot) { return slot.complete == 0; }));
  EXPECT_EQ(RecordIndex[0].record, s.bufferStart);
}

TEST_F(CaptureStoreTest, OneByteOfTickSevenMakesAnElevenByteRecord) {
  MonitorState& s = monitorState;
  s.pollSeq = 7;
  append(0, {0x41});
  const std::uint8_t expected[] = {0x01, 0x01, '0', '0', '0', '0', '0', '7', ':', ' ', 0x41};
  EXPECT_EQ(0, std::memcmp(s.bufferStart, expected, sizeof expected));
  EXPECT_EQ(s.bufferStart[11], 0) << "nothing written after the record";
  EXPECT_EQ(s.recordCount, 1);
  EXPECT_EQ(s.writePos, s.bufferStart + 11);
  EXPECT_EQ(RecordIndex[0].complete, 1);
  EXPECT_EQ(RecordIndex[1].complete, 0);
  EXPECT_EQ(s.lastChunkLen, 1);
  EXPECT_EQ(s.newData, 1);
}

TEST_F(CaptureStoreTest, ChunksSplitIntoRecordsOfAtMostSixteenBytes) {
  struct Case {
    int n;
    std::vector<int> lengths;
  };
  const std::vector<Case> cases = {
      {1, {1}}, {16, {16}}, {17, {16, 1}}, {40, {16, 16, 8}}, {256, std::vector<int>(16, 16)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("chunk of " + std::to_string(c.n));
    allocateCaptureStore();
    const auto bytes = counting(c.n);
    append(0, bytes);
    const MonitorState& s = monitorState;
    ASSERT_EQ(s.recordCount, static_cast<int>(c.lengths.size()));
    std::size_t dataAt = 0;
    for (std::size_t i = 0; i < c.lengths.size(); ++i) {
      const int slot = static_cast<int>(i);
      EXPECT_EQ(length(slot), c.lengths[i]);
      EXPECT_EQ(0, std::memcmp(RecordIndex[slot].record + 10, bytes.data() + dataAt,
                               static_cast<std::size_t>(c.lengths[i])));
      dataAt += static_cast<std::size_t>(c.lengths[i]);
    }
    EXPECT_EQ(s.lastChunkLen, c.lengths.back());
    EXPECT_EQ(s.writePos - s.bufferStart,
              static_cast<std::ptrdiff_t>(dataAt + 10 * c.lengths.size()));
  }
  EXPECT_EQ(monitorState.writePos - monitorState.bufferStart, 416);
}

TEST_F(CaptureStoreTest, RecordsNeverCombineTwoReads) {
  append(0, counting(3));
  append(0, counting(3));
  ASSERT_EQ(monitorState.recordCount, 2);
  EXPECT_EQ(length(0), 3);
  EXPECT_EQ(length(1), 3);
  EXPECT_EQ(RecordIndex[1].record, monitorState.bufferStart + 13);
}

TEST_F(CaptureStoreTest, PortTagIsPortNumberPlusOne) {
  append(0, {1});
  append(1, {2, 3});
  EXPECT_EQ(RecordIndex[0].record[1], 1);
  EXPECT_EQ(RecordIndex[1].record[1], 2);
}

TEST_F(CaptureStoreTest, LabelIsTheFirstEightCharactersOfThePollNumber) {
  const std::vector<std::pair<int, std::string>> cases = {
      {0, "000000: "},          {7, "000007: "},       {42, "000042: "},
      {999999, "999999: "},     {1000000, "1000000:"}, {12345678, "12345678"},
      {2147483647, "21474836"}, {-1, "-00001: "},      {-2147483647 - 1, "-2147483"},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    monitorState.pollSeq = cases[i].first;
    append(0, {0x55});
    EXPECT_EQ(label(static_cast<int>(i)), cases[i].second) << "pollSeq " << cases[i].first;
  }
}

TEST_F(CaptureStoreTest, ZeroDataBytesAreKeptAndDoNotEndTheRecords) {
  append(1, {0x00, 0x00});
  append(0, {0x00});
  rebuildRecordIndex();
  EXPECT_EQ(monitorState.recordCount, 2);
  EXPECT_EQ(length(0), 2);
  EXPECT_EQ(RecordIndex[0].record[10], 0);
  EXPECT_EQ(monitorState.writePos, monitorState.bufferStart + 12 + 11);
}

TEST_F(CaptureStoreTest, RebuildGivesBackWhatTheAppendsMade) {
  MonitorState& s = monitorState;
  for (int tick = 1; tick <= 40; ++tick) {
    s.pollSeq = tick;
    append(0, counting(tick * 7 % 257 == 0 ? 1 : tick * 7 % 257));
    if (tick % 3 == 0) append(1, counting(tick % 17 + 1));
  }
  const int count = s.recordCount;
  std::uint8_t* const end = s.writePos;
  std::vector<RecordSlot> slots(RecordIndex, RecordIndex + count + 1);

  rebuildRecordIndex();
  EXPECT_EQ(s.recordCount, count);
  EXPECT_EQ(s.writePos, end);
  for (int i = 0; i <= count; ++i) {
    EXPECT_EQ(RecordIndex[i].complete, slots[static_cast<std::size_t>(i)].complete) << i;
    if (i < count) {
      EXPECT_EQ(RecordIndex[i].record, slots[static_cast<std::size_t>(i)].record) << i;
    }
  }
}

TEST_F(CaptureStoreTest, RebuildOverZeroBufferFindsNothing) {
  rebuildRecordIndex();
  EXPECT_EQ(monitorState.recordCount, 0);
  EXPECT_EQ(monitorState.writePos, monitorState.bufferStart);
  EXPECT_EQ(RecordIndex[0].complete, 0);
}

TEST_F(CaptureStoreTest, RebuildClearsSlotsOfAnEarlierLongerCapture) {
  append(0, counting(100));  // 7 records
  std::memset(monitorState.bufferStart + 26, 0, captureBufferBytes() - 26);
  rebuildRecordIndex();
  EXPECT_EQ(monitorState.recordCount, 1);
  EXPECT_EQ(RecordIndex[1].complete, 0);
  EXPECT_EQ(RecordIndex[5].complete, 0);
}

TEST_F(CaptureStoreTest, RebuildStepsOverLengthsUpTo127AndStopsAt128) {
  std::uint8_t* p = monitorState.bufferStart;
  p[0] = 17;        // stepped over by 27 bytes
  p[27] = 127;      // stepped over by 137 bytes
  p[27 + 137] = 3;  // an ordinary record
  p[27 + 137 + 13] = 0x80;
  p[27 + 137 + 13 + 138] = 1;  // never reached
  rebuildRecordIndex();
  EXPECT_EQ(monitorState.recordCount, 3);
  EXPECT_EQ(RecordIndex[2].record, p + 27 + 137);
  EXPECT_EQ(monitorState.writePos, p + 27 + 137 + 13) << "ends at the length byte of 128";
}

TEST_F(CaptureStoreTest, AllocateResetsTheStoreButNotTheFlagsOrSettings) {
  MonitorState& s = monitorState;
  append(0, counting(40));
  s.caretCol = 5;
  s.caretRow = 2;
  s.topRow = 1;
  s.pollSeq = 9;
  s.connected = 1;
  s.storeOverflowed = 1;
  s.redrawPending = 1;
  s.timerRestartPending = 1;
  s.timerId = 1;
  s.pollTimeMs = 25;
  s.portBDisabled = 1;
  allocateCaptureStore();
  EXPECT_EQ(s.recordCount, 0);
  EXPECT_EQ(s.caretCol, 0);
  EXPECT_EQ(s.caretRow, 0);
  EXPECT_EQ(s.topRow, 0);
  EXPECT_EQ(s.pollSeq, 0);
  EXPECT_EQ(s.lastChunkLen, 0);
  EXPECT_EQ(s.newData, 0);
  EXPECT_EQ(s.connected, 0);
  EXPECT_EQ(s.storeOverflowed, 0);
  EXPECT_EQ(s.writePos, s.bufferStart);
  EXPECT_EQ(s.bufferStart[0], 0);
  EXPECT_EQ(RecordIndex[0].complete, 0);
  EXPECT_EQ(s.redrawPending, 1);
  EXPECT_EQ(s.timerRestartPending, 1);
  EXPECT_EQ(s.timerId, 1u);
  EXPECT_EQ(s.pollTimeMs, 25);
  EXPECT_EQ(s.portBDisabled, 1);
  EXPECT_EQ(s.memSizeMB, 2);
  EXPECT_TRUE(headless::system().messageBoxes().empty());
}

TEST_F(CaptureStoreTest, ResetProcessStateForgetsEverything) {
  append(0, counting(20));
  monitorState.connected = 1;
  resetProcessState();
  EXPECT_EQ(monitorState.bufferStart, nullptr);
  EXPECT_EQ(monitorState.recordCount, 0);
  EXPECT_EQ(monitorState.connected, 0);
  EXPECT_EQ(monitorState.memSizeMB, 0);
  EXPECT_EQ(captureBufferBytes(), 0u);
  EXPECT_EQ(RecordIndex[0].record, nullptr);
  EXPECT_EQ(RecordIndex[0].complete, 0);
  EXPECT_EQ(recordLengthByte(0), 0);
}

TEST_F(CaptureStoreTest, RecordLengthByteIsZeroOutsideTheIndex) {
  append(0, counting(5));
  EXPECT_EQ(recordLengthByte(0), 5);
  EXPECT_EQ(recordLengthByte(1), 0) << "slot 1 holds no record";
  RecordIndex[1].record = monitorState.bufferStart;
  EXPECT_EQ(recordLengthByte(1), 0) << "a slot beyond the records is not read";
  EXPECT_EQ(recordLengthByte(-1), 0);
  EXPECT_EQ(recordLengthByte(kRecordIndexSlots), 0);
}

}  // namespace
