#include "view/caret_navigation.h"

#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "view/capture_page.h"

namespace {

constexpr int kLastPageRow = kPageRows - 1;

CaretUpdate showOrScrollDown(MonitorState& s) {
  if (s.caretRow < s.topRow + kPageRows) return CaretUpdate::Show;
  s.topRow = s.caretRow - kLastPageRow;
  return CaretUpdate::Redraw;
}

CaretUpdate showOrScrollUp(MonitorState& s) {
  if (s.caretRow >= s.topRow) return CaretUpdate::Show;
  s.topRow = s.caretRow;
  return CaretUpdate::Redraw;
}

CaretUpdate down(MonitorState& s) {
  if (s.caretRow >= s.recordCount - 1) return CaretUpdate::None;
  ++s.caretRow;
  return showOrScrollDown(s);
}

CaretUpdate up(MonitorState& s) {
  if (s.caretRow == 0) return CaretUpdate::None;
  --s.caretRow;
  return showOrScrollUp(s);
}

CaretUpdate right(MonitorState& s) {
  ++s.caretCol;
  // Equality, not "at or beyond": a caret already past the row's last cell
  // keeps moving right on that row.
  if (s.caretCol == rowWidthCells(s.caretRow)) {
    if (s.caretRow < s.recordCount - 1) {
      s.caretCol = 0;
      ++s.caretRow;
    } else {
      --s.caretCol;
    }
  }
  return showOrScrollDown(s);
}

CaretUpdate left(MonitorState& s) {
  if (s.caretCol > 0) {
    --s.caretCol;
  } else if (s.caretRow > 0) {
    --s.caretRow;
    s.caretCol = rowWidthCells(s.caretRow);  // just after the last hex digit
  }
  return showOrScrollUp(s);
}

CaretUpdate pageDown(MonitorState& s) {
  if (s.topRow + kPageRows >= s.recordCount) return CaretUpdate::None;
  if (s.topRow + 2 * kPageRows <= s.recordCount) {
    s.topRow += kPageRows;
  } else {
    s.topRow = s.recordCount - kPageRows;
  }
  s.caretRow = s.topRow;
  s.caretCol = 0;
  return CaretUpdate::Redraw;
}

CaretUpdate pageUp(MonitorState& s) {
  if (s.topRow == 0) return CaretUpdate::None;
  if (s.topRow > kPageRows) {
    s.topRow -= kPageRows;
    s.caretRow -= kPageRows;
  } else {
    s.caretRow -= s.topRow;
    s.topRow = 0;
  }
  s.caretCol = 0;
  return CaretUpdate::Redraw;
}

}  // namespace

int rowWidthCells(std::int32_t row) {
  return kHexCellsPerByte * recordLengthByte(row) + kHexX / kCellWidthPx;
}

CaretUpdate moveCaretForKey(unsigned scanCode) {
  MonitorState& s = monitorState;
  switch (scanCode) {
    case kScanDown:
      return down(s);
    case kScanUp:
      return up(s);
    case kScanRight:
      return right(s);
    case kScanLeft:
      return left(s);
    case kScanPageDown:
      return pageDown(s);
    case kScanPageUp:
      return pageUp(s);
    default:
      return CaretUpdate::None;
  }
}
