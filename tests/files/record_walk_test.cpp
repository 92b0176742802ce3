#include <gtest/gtest.h>

#include <cstdio>

#include "capture/capture_files.h"
#include "tests/files/capture_file_fixture.h"
#include "tests/support/failing_system_files.h"

namespace {

TEST(WholeRecordBytes, StopsWhereTheRebuildStops) {
  const Bytes a = recordBytes(1, "000001: ", {0x41});
  const Bytes b = recordBytes(2, "000002: ", Bytes(16, 0x00));
  Bytes two = a;
  two.insert(two.end(), b.begin(), b.end());
  EXPECT_EQ(wholeRecordBytes(two.data(), two.size()), 37u) << "zero data bytes are data";
  EXPECT_EQ(wholeRecordBytes(two.data(), two.size() - 1), 11u) << "a cut record is left out";
  EXPECT_EQ(wholeRecordBytes(two.data(), 0), 0u);

  Bytes stopped = a;
  stopped.push_back(0);
  stopped.insert(stopped.end(), b.begin(), b.end());
  EXPECT_EQ(wholeRecordBytes(stopped.data(), stopped.size()), 11u) << "a zero length byte ends";

  Bytes foreign = a;
  foreign.push_back(0x80);
  foreign.insert(foreign.end(), 200, 0x01);
  EXPECT_EQ(wholeRecordBytes(foreign.data(), foreign.size()), 11u) << "length 128 ends";

  // Lengths 17 to 127 are stepped over like any other.
  Bytes wide{127, 1};
  wide.insert(wide.end(), 135, 0x33);
  wide.insert(wide.end(), a.begin(), a.end());
  EXPECT_EQ(wholeRecordBytes(wide.data(), wide.size()), 148u);
}

TEST(WholeRecordBytes, NeverCountsMoreRecordsThanTheIndexHolds) {
  const std::size_t records = static_cast<std::size_t>(kRecordIndexSlots) + 5;
  Bytes many(records * 11, 0);
  for (std::size_t i = 0; i < records; ++i) many[i * 11] = 1;
  EXPECT_EQ(wholeRecordBytes(many.data(), many.size()),
            static_cast<std::size_t>(kRecordIndexSlots) * 11);
}

// The store alone, filled from a stream, with the buffer size and the
// memSizeMB setting apart as after a declined size change.
class FillStoreTest : public ::testing::Test {
 protected:
  void SetUp() override { resetProcessState(); }
  void TearDown() override { resetProcessState(); }

  static void allocate(int bufferMB, int settingMB) {
    monitorState.memSizeMB = bufferMB;
    monitorState.memSizeMBLoaded = bufferMB;
    allocateCaptureStore();
    monitorState.memSizeMB = settingMB;
  }
  static bool fill(const Bytes& content) {
    std::FILE* file = std::tmpfile();
    EXPECT_NE(file, nullptr);
    std::fwrite(content.data(), 1, content.size(), file);
    std::rewind(file);
    const bool complete = fillStoreFromCaptureFile(file);
    std::fclose(file);
    return complete;
  }
  static bool allZeroFrom(std::size_t offset) {
    for (std::size_t i = offset; i < captureBufferBytes(); ++i) {
      if (monitorState.bufferStart[i] != 0) return false;
    }
    return true;
  }
};

constexpr std::size_t kMiB = 1024 * 1024;
constexpr int kFullRecordsPerMiB = static_cast<int>(kMiB / 26);  // 40329, 22 bytes left

TEST_F(FillStoreTest, AFileLargerThanTheBufferLoadsTheWholeRecordsThatFit) {
  allocate(1, 1);
  EXPECT_TRUE(fill(fullRecords(2 * kFullRecordsPerMiB)));
  EXPECT_EQ(monitorState.recordCount, kFullRecordsPerMiB);
  EXPECT_EQ(monitorState.writePos - monitorState.bufferStart, kFullRecordsPerMiB * 26);
  EXPECT_TRUE(allZeroFrom(static_cast<std::size_t>(kFullRecordsPerMiB) * 26))
      << "the record the buffer's end cut is not kept";
}

TEST_F(FillStoreTest, ALargerSettingThanTheBufferNeverReadsBeyondIt) {
  allocate(1, 32);
  EXPECT_TRUE(fill(fullRecords(3 * kFullRecordsPerMiB)));
  EXPECT_EQ(monitorState.recordCount, kFullRecordsPerMiB);
  EXPECT_EQ(monitorState.memSizeMB, 32) << "the setting is left as it was";
}

TEST_F(FillStoreTest, ASmallerSettingReadsThatMuchAndClearsTheRestOfTheBuffer) {
  allocate(2, 1);
  // An older capture fills the whole buffer.
  Bytes chunk(256, 0x55);
  for (int i = 0; i < 9000; ++i) appendChunk(0, chunk.data(), 256);
  ASSERT_GT(monitorState.writePos - monitorState.bufferStart, static_cast<std::ptrdiff_t>(kMiB));
  // Records that end exactly on the first MiB, then more the read leaves out.
  Bytes file = fullRecords(kFullRecordsPerMiB);
  const Bytes last = recordBytes(2, "000009: ", Bytes(12, 0x77));
  file.insert(file.end(), last.begin(), last.end());
  ASSERT_EQ(file.size(), kMiB);
  const Bytes beyond = fullRecords(10);
  file.insert(file.end(), beyond.begin(), beyond.end());

  EXPECT_TRUE(fill(file));
  EXPECT_EQ(monitorState.recordCount, kFullRecordsPerMiB + 1);
  EXPECT_EQ(monitorState.writePos, monitorState.bufferStart + kMiB);
  EXPECT_TRUE(allZeroFrom(kMiB)) << "nothing of the older capture is left behind";
}

TEST_F(FillStoreTest, AFileCutShortInARecordKeepsTheRecordsBeforeIt) {
  allocate(1, 1);
  Bytes file = fullRecords(3);
  file.resize(file.size() - 5);
  EXPECT_TRUE(fill(file));
  EXPECT_EQ(monitorState.recordCount, 2);
  EXPECT_TRUE(allZeroFrom(52)) << "no made-up zero data bytes";
}

TEST_F(FillStoreTest, AFailedReadIsReportedWithTheRecordsBeforeIt) {
  SKIP_UNLESS_SYSTEM_HAS(kUnreadableOpenFile);
  allocate(1, 1);
  const Bytes earlier{1, 2, 3};
  appendChunk(0, earlier.data(), 3);
  // Memory of this process at address 0 exists as a file but cannot be read.
  std::FILE* file = std::fopen(kUnreadableOpenFile, "rb");
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(fillStoreFromCaptureFile(file));
  std::fclose(file);
  EXPECT_EQ(monitorState.recordCount, 0);
  EXPECT_TRUE(allZeroFrom(0));
}

}  // namespace
