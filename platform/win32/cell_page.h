// A page of the view as a grid of character cells: what the view's drawing
// of one dump leaves on the screen (a fill of the whole client area, then
// runs of text in one font, one byte per cell, none overlapping).
// Two pages are compared cell by cell, so that only the cells that changed
// are written to the screen.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/desktop/screen_geometry.h"
#include "platform/framework/window_system.h"

namespace platform::win32 {

// One drawing operation as a device context made it.
struct DrawOperation {
  bool fill = false;
  CRect rect{};  // a fill's
  COLORREF colour = 0;
  int x = 0;  // a run's first cell
  int y = 0;
  LogFont font{};
  std::string bytes{};
};

struct Cell {
  BYTE byte = ' ';  // a blank shows the background alone
  COLORREF colour = 0;
  bool operator==(const Cell&) const = default;
};

class CellPage {
 public:
  // The page the operations draw on a client area of that size, or nothing
  // when they are not a page.
  static std::optional<CellPage> of(const std::vector<DrawOperation>& operations, CRect client);

  // The cells of one row that differ from shown, first to last inclusive.
  struct Span {
    int row = 0;
    int first = 0;
    int last = 0;
  };
  // Every changed stretch of cells; all of every row when shown is not a
  // page of the same size, background and font.
  std::vector<Span> changesSince(const CellPage* shown) const;

  const Cell& at(int row, int column) const {
    return cells_[static_cast<std::size_t>(row * columns_ + column)];
  }
  int rows() const { return rows_; }
  int columns() const { return columns_; }
  COLORREF background() const { return background_; }
  const LogFont& font() const { return font_; }

 private:
  bool sameFrame(const CellPage& other) const;

  int columns_ = 0;
  int rows_ = 0;
  COLORREF background_ = 0;
  LogFont font_;
  std::vector<Cell> cells_;
};

}  // namespace platform::win32
