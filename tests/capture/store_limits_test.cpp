#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "platform/headless/headless_window_system.h"

// An allocation that cannot be satisfied must come back empty, so the store's
// fallback can be observed instead of the sanitizer ending the run.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

namespace {

class StoreLimitsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::system().reset();
    resetProcessState();
  }
  void TearDown() override { resetProcessState(); }

  static void allocate(int sizeMB) {
    monitorState.memSizeMB = sizeMB;
    monitorState.memSizeMBLoaded = sizeMB;
    allocateCaptureStore();
  }
  static bool zeroFrom(const std::uint8_t* p) {
    const std::uint8_t* end = monitorState.bufferStart + captureBufferBytes();
    return std::all_of(p, end, [](std::uint8_t b) { return b == 0; });
  }
};

const std::vector<std::uint8_t> kFullChunk(256, 0xAB);

TEST_F(StoreLimitsTest, RecordThatDoesNotFitTheBufferIsRefusedAndRemembered) {
  allocate(1);
  // 2520 chunks of 256 bytes take 2520 x 416 bytes: 256 bytes stay free.
  for (int i = 0; i < 2520; ++i) appendChunk(0, kFullChunk.data(), 256);
  MonitorState& s = monitorState;
  ASSERT_EQ(s.storeOverflowed, 0);
  ASSERT_EQ(s.bufferStart + captureBufferBytes() - s.writePos, 256);

  const int before = s.recordCount;
  appendChunk(1, kFullChunk.data(), 256);  // 9 records of 26 bytes fit, the 10th does not
  EXPECT_EQ(s.recordCount, before + 9);
  EXPECT_EQ(s.storeOverflowed, 1);
  EXPECT_EQ(s.bufferStart + captureBufferBytes() - s.writePos, 22);
  EXPECT_TRUE(zeroFrom(s.writePos)) << "nothing written past the last record";
  EXPECT_EQ(RecordIndex[s.recordCount].complete, 0);

  // A record that would still fit is refused too: the capture stays an
  // unbroken prefix of what arrived.
  appendChunk(0, kFullChunk.data(), 1);
  EXPECT_EQ(s.recordCount, before + 9);
  EXPECT_TRUE(zeroFrom(s.writePos));

  rebuildRecordIndex();
  EXPECT_EQ(s.recordCount, before + 9);
}

TEST_F(StoreLimitsTest, RecordsBeyondTheLastSlotAreNotWritten) {
  allocate(32);
  MonitorState& s = monitorState;
  // 65,536 chunks of 256 bytes make exactly 1,048,576 records.
  for (int i = 0; i < kRecordIndexSlots / 16; ++i) appendChunk(0, kFullChunk.data(), 256);
  ASSERT_EQ(s.recordCount, kRecordIndexSlots);
  EXPECT_EQ(s.storeOverflowed, 0) << "the index is full, nothing was refused yet";
  std::uint8_t* const end = s.writePos;

  appendChunk(1, kFullChunk.data(), 5);
  EXPECT_EQ(s.recordCount, kRecordIndexSlots);
  EXPECT_EQ(s.storeOverflowed, 1);
  EXPECT_EQ(s.writePos, end);
  EXPECT_TRUE(zeroFrom(end));
}

TEST_F(StoreLimitsTest, RebuildFillsNoMoreSlotsThanTheIndexHas) {
  allocate(32);
  MonitorState& s = monitorState;
  // 32 MiB of 11-byte records: about three million, three times the index.
  const std::size_t records = captureBufferBytes() / 11;
  for (std::size_t i = 0; i < records; ++i) s.bufferStart[i * 11] = 1;
  rebuildRecordIndex();
  EXPECT_EQ(s.recordCount, kRecordIndexSlots);
  EXPECT_EQ(s.writePos, s.bufferStart + static_cast<std::size_t>(kRecordIndexSlots) * 11);
  EXPECT_EQ(RecordIndex[kRecordIndexSlots - 1].record, s.writePos - 11);
}

TEST_F(StoreLimitsTest, RebuildEndsAtARecordTheBufferCutsShort) {
  allocate(1);
  MonitorState& s = monitorState;
  const std::size_t whole = captureBufferBytes() / 26;  // 40,329 records, 22 bytes left
  for (std::size_t i = 0; i < whole; ++i) s.bufferStart[i * 26] = 16;
  s.bufferStart[whole * 26] = 16;  // needs 26 bytes, 22 remain
  rebuildRecordIndex();
  EXPECT_EQ(s.recordCount, static_cast<int>(whole));
  EXPECT_EQ(s.writePos, s.bufferStart + whole * 26);

  // A record that ends exactly on the buffer's last byte is kept.
  s.bufferStart[whole * 26] = 12;
  rebuildRecordIndex();
  EXPECT_EQ(s.recordCount, static_cast<int>(whole) + 1);
  EXPECT_EQ(s.writePos, s.bufferStart + captureBufferBytes());
}

TEST_F(StoreLimitsTest, RebuildIsBoundByTheBufferInUseNotTheSetting) {
  allocate(1);
  MonitorState& s = monitorState;
  // The setting moved ahead of the buffer (a size change not yet applied).
  s.memSizeMB = 32;
  for (std::size_t i = 0; i < captureBufferBytes() / 11; ++i) s.bufferStart[i * 11] = 1;
  rebuildRecordIndex();
  EXPECT_EQ(s.recordCount, static_cast<int>(captureBufferBytes() / 11));
  EXPECT_LE(s.writePos, s.bufferStart + captureBufferBytes());
}

TEST_F(StoreLimitsTest, FailedFirstAllocationFallsBackToTheDefaultSize) {
  std::vector<platform::MessageBoxRequest> seen;
  int recordCountDuringBox = -1;
  bool hadBuffer = false;
  headless::system().setMessageBoxHandler([&](const platform::MessageBoxRequest& request) {
    seen.push_back(request);
    hadBuffer = monitorState.bufferStart != nullptr;
    recordCountDuringBox = monitorState.recordCount;
    return IDOK;
  });
  allocate(INT_MAX);
  MonitorState& s = monitorState;
  ASSERT_NE(s.bufferStart, nullptr);
  EXPECT_EQ(captureBufferBytes(), 2u * kBytesPerMiB);
  EXPECT_EQ(s.memSizeMB, 2);
  EXPECT_EQ(s.memSizeMBLoaded, 2);
  EXPECT_TRUE(zeroFrom(s.bufferStart));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].owner, platform::kNoWindow);
  EXPECT_EQ(seen[0].caption, "Error");
  EXPECT_FALSE(seen[0].text.empty());
  EXPECT_TRUE(hadBuffer) << "the store is usable while the box is up";
  EXPECT_EQ(recordCountDuringBox, 0);
}

TEST_F(StoreLimitsTest, FailedReallocationKeepsTheBufferInUseEmptied) {
  allocate(4);
  MonitorState& s = monitorState;
  std::uint8_t* const kept = s.bufferStart;
  appendChunk(0, kFullChunk.data(), 256);
  s.pollSeq = 5;
  s.connected = 1;

  allocate(INT_MAX);
  EXPECT_EQ(s.bufferStart, kept);
  EXPECT_EQ(captureBufferBytes(), 4u * kBytesPerMiB);
  EXPECT_EQ(s.memSizeMB, 4);
  EXPECT_EQ(s.memSizeMBLoaded, 4);
  EXPECT_EQ(s.recordCount, 0);
  EXPECT_EQ(s.pollSeq, 0);
  EXPECT_EQ(s.connected, 0);
  EXPECT_EQ(s.writePos, kept);
  EXPECT_TRUE(zeroFrom(kept)) << "the kept buffer starts empty";
  EXPECT_EQ(RecordIndex[0].record, kept);
  EXPECT_EQ(RecordIndex[0].complete, 0);
  ASSERT_EQ(headless::system().messageBoxes().size(), 1u);
  EXPECT_EQ(headless::system().messageBoxes()[0].caption, "Error");
}

TEST_F(StoreLimitsTest, ReloadingTheSameSizeEmptiesTheBufferInPlace) {
  // Every Connect reloads the stored size; holding a second block of it
  // beside the first would double the store's memory at its peak.
  allocate(4);
  MonitorState& s = monitorState;
  std::uint8_t* const first = s.bufferStart;
  appendChunk(1, kFullChunk.data(), 256);
  s.pollSeq = 9;

  allocate(4);
  EXPECT_EQ(s.bufferStart, first) << "no second block of the same size";
  EXPECT_EQ(captureBufferBytes(), 4u * kBytesPerMiB);
  EXPECT_EQ(s.recordCount, 0);
  EXPECT_EQ(s.pollSeq, 0);
  EXPECT_EQ(s.writePos, first);
  EXPECT_TRUE(zeroFrom(first));
  EXPECT_EQ(RecordIndex[0].record, first);
  EXPECT_EQ(RecordIndex[1].record, nullptr);
  EXPECT_TRUE(headless::system().messageBoxes().empty());
}

TEST_F(StoreLimitsTest, SizesBelowOneMiBAreRefusedLikeFailedAllocations) {
  for (int size : {0, -3}) {
    headless::system().reset();
    resetProcessState();
    allocate(size);
    EXPECT_EQ(captureBufferBytes(), 2u * kBytesPerMiB) << size;
    EXPECT_EQ(monitorState.memSizeMBLoaded, 2) << size;
    EXPECT_EQ(headless::system().messageBoxes().size(), 1u) << size;
  }
}

TEST_F(StoreLimitsTest, AppendWithoutABufferStoresNothing) {
  appendChunk(0, kFullChunk.data(), 3);
  EXPECT_EQ(monitorState.recordCount, 0);
  EXPECT_EQ(monitorState.storeOverflowed, 1);
  rebuildRecordIndex();
  EXPECT_EQ(monitorState.recordCount, 0);
  EXPECT_EQ(monitorState.writePos, nullptr);
}

}  // namespace
