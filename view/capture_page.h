// The layout of one page of the hex dump: which records stand on the screen
// rows from topRow on, where their texts go and in which colour. Computed
// from MonitorState and the record index alone, so it needs no window.
#pragma once

#include <array>
#include <cstdint>

#include "platform/desktop/screen_geometry.h"
#include "platform/framework/wintypes.h"

inline constexpr int kPageRows = 22;
using platform::kCellHeightPx;
using platform::kCellWidthPx;
inline constexpr int kLabelX = 0;
inline constexpr int kDataX = 64;  // cell 8
inline constexpr int kHexX = 224;  // cell 28
inline constexpr int kHexCellsPerByte = 3;
inline constexpr COLORREF kBackgroundColor = RGB(255, 255, 255);
inline constexpr COLORREF kPortAColor = RGB(0, 0, 0);
inline constexpr COLORREF kPortBColor = RGB(192, 0, 0);

struct PageRow {
  int y = 0;
  // The text colour changes before this row only when its port tag differs
  // from the row before (tags other than 1 and 2 keep the colour).
  bool setsTextColor = false;
  COLORREF textColor = kPortAColor;
  // A label equal to the one drawn last on this page is left blank.
  bool showsLabel = false;
  const std::uint8_t* label = nullptr;  // 8 bytes
  const std::uint8_t* data = nullptr;
  int dataLength = 0;  // 0 to 16
  char hex[kHexCellsPerByte * 16 + 1] = {};
  int hexLength = 0;
};

struct CapturePage {
  std::array<PageRow, kPageRows> rows{};
  int rowCount = 0;
  // A record on the page whose length byte is from 17 to 127: the rows
  // before it are laid out, and the page cannot be shown.
  bool formatError = false;
};

// Lays out the page that starts at topRow. The rows end at the first slot
// that is not complete, and at a record whose length byte is 128 or more
// (no append writes one; only foreign data can hold it), so nothing beyond a
// record's own bytes is ever read.
void layoutCapturePage(CapturePage& page);
