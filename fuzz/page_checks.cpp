#include "fuzz/page_checks.h"

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "capture/capture_files.h"
#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "fuzz/fuzz_check.h"
#include "platform/headless/headless_window_system.h"
#include "view/capture_page.h"

namespace {

constexpr std::size_t kMaxHexCells = kHexCellsPerByte * CaptureRecord::kMaxDataBytes;

const std::uint8_t* bufferEnd() { return monitorState.bufferStart + captureBufferBytes(); }

std::size_t recordBytes(const std::uint8_t* record) {
  return record[CaptureRecord::kLengthOffset] + CaptureRecord::kHeaderSize;
}

std::string hexOf(const std::uint8_t* data, std::size_t length) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = 0; i < length; ++i) {
    out += ' ';
    out += kDigits[data[i] >> 4];
    out += kDigits[data[i] & 0x0F];
  }
  return out;
}

bool sameBytes(const std::string& drawn, const std::uint8_t* bytes, std::size_t length) {
  return drawn.size() == length && std::memcmp(drawn.data(), bytes, length) == 0;
}

// The text runs of one screen row, by column.
struct RowRuns {
  const headless::DrawOp* label = nullptr;
  const headless::DrawOp* data = nullptr;
  const headless::DrawOp* hex = nullptr;
};

void keepRun(const headless::DrawOp*& slot, const headless::DrawOp& op) {
  FUZZ_CHECK(slot == nullptr);  // one run per column and row
  slot = &op;
}

}  // namespace

void checkIndexAfterRebuild(std::size_t copiedBytes) {
  const MonitorState& s = monitorState;
  const std::uint8_t* const start = s.bufferStart;
  const std::uint8_t* const end = bufferEnd();
  FUZZ_CHECK(start != nullptr);
  FUZZ_CHECK(s.recordCount >= 0 && s.recordCount <= kRecordIndexSlots);
  FUZZ_CHECK(s.writePos >= start && s.writePos <= end);

  const std::uint8_t* expected = start;
  for (std::int32_t i = 0; i < s.recordCount; ++i) {
    const RecordSlot& slot = RecordIndex[i];
    FUZZ_CHECK(slot.complete == 1);
    FUZZ_CHECK(slot.record == expected);
    FUZZ_CHECK(slot.record < end);
    const std::uint8_t length = slot.record[CaptureRecord::kLengthOffset];
    FUZZ_CHECK(length >= 1);
    FUZZ_CHECK(static_cast<std::size_t>(end - slot.record) >= recordBytes(slot.record));
    FUZZ_CHECK(recordLengthByte(i) == length);
    expected = slot.record + recordBytes(slot.record);
  }
  FUZZ_CHECK(s.writePos == expected);
  if (s.recordCount < kRecordIndexSlots) FUZZ_CHECK(RecordIndex[s.recordCount].complete == 0);

  // The walk ended for a reason: the index or the buffer is full, or what
  // stands at writePos is no record that fits.
  if (s.recordCount < kRecordIndexSlots && s.writePos < end) {
    const std::uint8_t length = *s.writePos;
    FUZZ_CHECK(length == 0 || length >= 128 ||
               static_cast<std::size_t>(end - s.writePos) < recordBytes(s.writePos));
  }

  // Every whole record of the copied bytes is in the index; the walk may go
  // further only into a record the copy cut short, whose tail is zero filler.
  const auto walked = static_cast<std::size_t>(s.writePos - start);
  const std::size_t whole = wholeRecordBytes(start, copiedBytes);
  FUZZ_CHECK(whole <= walked);
  if (whole < walked) FUZZ_CHECK(whole + recordBytes(start + whole) > copiedBytes);
}

std::int32_t firstUndrawableRowOnPage() {
  const MonitorState& s = monitorState;
  if (s.topRow < 0) return -1;
  std::int32_t rows = s.recordCount - s.topRow;
  if (rows > kPageRows) rows = kPageRows;
  for (std::int32_t i = 0; i < rows; ++i) {
    const RecordSlot& slot = RecordIndex[s.topRow + i];
    if (slot.complete == 0) return -1;
    const std::uint8_t length = slot.record[CaptureRecord::kLengthOffset];
    if (length >= 128) return -1;
    if (length > CaptureRecord::kMaxDataBytes) return s.topRow + i;
  }
  return -1;
}

void checkDrawnRows(int drawnRows) {
  const MonitorState& s = monitorState;
  FUZZ_CHECK(drawnRows >= 0 && drawnRows <= kPageRows);
  const std::vector<headless::DrawOp> texts = headless::system().textOps();
  std::array<RowRuns, kPageRows> rows{};
  for (const headless::DrawOp& op : texts) {
    FUZZ_CHECK(op.y >= 0 && op.y % kCellHeightPx == 0);
    const int row = op.y / kCellHeightPx;
    FUZZ_CHECK(row < drawnRows);
    RowRuns& runs = rows[static_cast<std::size_t>(row)];
    if (op.x == kLabelX) {
      keepRun(runs.label, op);
    } else if (op.x == kDataX) {
      keepRun(runs.data, op);
    } else if (op.x == kHexX) {
      keepRun(runs.hex, op);
    } else {
      FUZZ_CHECK(false);  // text outside the three columns
    }
  }

  // Each row shows exactly its own record; the label only where it differs
  // from the last one shown on this page, the colour only changed by tags
  // 1 and 2.
  std::uint8_t lastLabel[CaptureRecord::kLabelSize] = {};
  int lastTag = 3;
  COLORREF color = kPortAColor;
  for (int row = 0; row < drawnRows; ++row) {
    const RowRuns& runs = rows[static_cast<std::size_t>(row)];
    const std::uint8_t* record = RecordIndex[s.topRow + row].record;
    const std::size_t length = record[CaptureRecord::kLengthOffset];
    const std::uint8_t* label = record + CaptureRecord::kLabelOffset;
    const std::uint8_t* data = record + CaptureRecord::kDataOffset;
    FUZZ_CHECK(length <= CaptureRecord::kMaxDataBytes);

    const int tag = record[CaptureRecord::kPortTagOffset];
    if (tag != lastTag) {
      lastTag = tag;
      if (tag == 1) color = kPortAColor;
      if (tag == 2) color = kPortBColor;
    }

    FUZZ_CHECK(runs.data != nullptr && runs.hex != nullptr);
    FUZZ_CHECK(runs.data->bytes.size() <= CaptureRecord::kMaxDataBytes);
    FUZZ_CHECK(sameBytes(runs.data->bytes, data, length));
    FUZZ_CHECK(runs.hex->bytes.size() <= kMaxHexCells);
    FUZZ_CHECK(runs.hex->bytes == hexOf(data, length));
    FUZZ_CHECK(runs.data->color == color && runs.hex->color == color);

    const bool newLabel = std::memcmp(label, lastLabel, sizeof lastLabel) != 0;
    FUZZ_CHECK((runs.label != nullptr) == newLabel);
    if (newLabel) {
      FUZZ_CHECK(sameBytes(runs.label->bytes, label, CaptureRecord::kLabelSize));
      FUZZ_CHECK(runs.label->color == color);
      std::memcpy(lastLabel, label, sizeof lastLabel);
    }
  }
}

void checkCaretShown() {
  const MonitorState& s = monitorState;
  const platform::CaretState& caret = headless::system().caret();
  FUZZ_CHECK(caret.visible());
  FUZZ_CHECK(caret.x == s.caretCol * kCellWidthPx);
  FUZZ_CHECK(caret.y == (s.caretRow - s.topRow) * kCellHeightPx);
}

void checkCaretOnRecords() {
  const MonitorState& s = monitorState;
  const std::int32_t lastRow = s.recordCount > 0 ? s.recordCount - 1 : 0;
  FUZZ_CHECK(s.caretRow >= 0 && s.caretRow <= lastRow);
  FUZZ_CHECK(s.caretCol >= 0);
  FUZZ_CHECK(s.topRow >= 0 && s.topRow <= s.caretRow && s.caretRow < s.topRow + kPageRows);
}
