#include "view/capture_page.h"

#include <cstring>

#include "capture/capture_store.h"
#include "capture/monitor_state.h"

namespace {

void formatHex(const std::uint8_t* data, int length, PageRow& row) {
  static constexpr char kDigits[] = "0123456789abcdef";
  char* out = row.hex;
  for (int i = 0; i < length; ++i) {
    *out++ = ' ';
    *out++ = kDigits[data[i] >> 4];
    *out++ = kDigits[data[i] & 0x0F];
  }
  *out = '\0';
  row.hexLength = length * kHexCellsPerByte;
}

}  // namespace

void layoutCapturePage(CapturePage& page) {
  const MonitorState& s = monitorState;
  page.rowCount = 0;
  page.formatError = false;
  if (s.topRow < 0) return;

  int rows = s.recordCount - s.topRow;
  if (rows > kPageRows) rows = kPageRows;
  if (rows <= 0) return;

  int lastTag = 3;
  std::uint8_t lastLabel[CaptureRecord::kLabelSize] = {};
  for (int i = 0; i < rows; ++i) {
    const RecordSlot& slot = RecordIndex[s.topRow + i];
    if (slot.complete == 0 || slot.record == nullptr) return;
    const std::uint8_t* record = slot.record;
    const std::uint8_t length = record[CaptureRecord::kLengthOffset];
    if (length >= 128) return;
    if (length > CaptureRecord::kMaxDataBytes) {
      page.formatError = true;
      return;
    }

    PageRow& row = page.rows[static_cast<std::size_t>(i)];
    row.y = kCellHeightPx * i;
    const int tag = record[CaptureRecord::kPortTagOffset];
    row.setsTextColor = false;
    if (tag != lastTag) {
      lastTag = tag;
      if (tag == 1 || tag == 2) {
        row.setsTextColor = true;
        row.textColor = tag == 1 ? kPortAColor : kPortBColor;
      }
    }
    row.label = record + CaptureRecord::kLabelOffset;
    row.showsLabel = std::memcmp(row.label, lastLabel, sizeof lastLabel) != 0;
    if (row.showsLabel) std::memcpy(lastLabel, row.label, sizeof lastLabel);
    row.data = record + CaptureRecord::kDataOffset;
    row.dataLength = length;
    formatHex(row.data, length, row);
    page.rowCount = i + 1;
  }
}
