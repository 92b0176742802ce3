// A capture store of 2 MiB built record by record, for the view's tests.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "platform/headless/headless_window_system.h"
#include "tests/support/fresh_store.h"

class CaptureFixture : public ::testing::Test {
 protected:
  void SetUp() override { startWithEmptyStore(); }
  void TearDown() override { resetProcessState(); }

  // One record of the given data bytes from port (0 or 1) in tick pollSeq.
  static void addRecord(int port, int pollSeq, const std::vector<std::uint8_t>& data) {
    monitorState.pollSeq = pollSeq;
    appendChunk(port, data.data(), static_cast<int>(data.size()));
    monitorState.newData = 0;
  }
  // count records of len bytes each, every one from its own tick.
  static void addRecords(int count, int len = 4) {
    const std::vector<std::uint8_t> data(static_cast<std::size_t>(len), 0x30);
    for (int i = 0; i < count; ++i) addRecord(0, i + 1, data);
  }
  // A hand-made record with any length byte and tag, placed at writePos and
  // indexed, as only foreign data could make it.
  static void addRawRecord(std::uint8_t length, std::uint8_t tag, const char* label8) {
    MonitorState& s = monitorState;
    std::uint8_t* at = s.writePos;
    at[0] = length;
    at[1] = tag;
    std::memcpy(at + 2, label8, 8);
    RecordIndex[s.recordCount] = RecordSlot{at, 1};
    ++s.recordCount;
    RecordIndex[s.recordCount].complete = 0;
    // Foreign lengths above 16 are not followed by data here; the next
    // record goes after the header and at most 16 bytes.
    s.writePos = at + 10 + (length <= 16 ? length : 16);
  }
};
