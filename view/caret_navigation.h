// Caret movement through the dump by the cursor and page keys, on the
// position in MonitorState. Keys are told apart by their PC scan code, so
// the keypad's keys with the same codes act alike.
#pragma once

#include <cstdint>

inline constexpr unsigned kScanUp = 0x48;
inline constexpr unsigned kScanPageUp = 0x49;
inline constexpr unsigned kScanLeft = 0x4B;
inline constexpr unsigned kScanRight = 0x4D;
inline constexpr unsigned kScanDown = 0x50;
inline constexpr unsigned kScanPageDown = 0x51;

// What the screen needs after a step.
enum class CaretUpdate {
  None,    // nothing moved
  Show,    // the caret moved within the page
  Redraw,  // the page scrolled or was turned
};

// Width in cells of the row of record `row`: the label, the character
// column and three cells per data byte.
int rowWidthCells(std::int32_t row);

// The scan code is the low seven bits of the key message's flags.
inline unsigned scanCodeFromKeyFlags(unsigned flags) { return flags & 0x7Fu; }

// Moves one step for the key; any other key does nothing.
CaretUpdate moveCaretForKey(unsigned scanCode);
