#include "platform/win32/cell_page.h"

namespace platform::win32 {

std::optional<CellPage> CellPage::of(const std::vector<DrawOperation>& operations, CRect client) {
  if (operations.empty() || !operations.front().fill) return std::nullopt;
  const CRect& cover = operations.front().rect;
  if (cover.left > 0 || cover.top > 0 || cover.right < client.right ||
      cover.bottom < client.bottom) {
    return std::nullopt;
  }
  CellPage page;
  page.background_ = operations.front().colour;
  page.columns_ = (client.Width() + kCellWidthPx - 1) / kCellWidthPx;
  page.rows_ = (client.Height() + kCellHeightPx - 1) / kCellHeightPx;
  page.cells_.assign(static_cast<std::size_t>(page.columns_ * page.rows_), Cell{});
  std::vector<bool> written(page.cells_.size(), false);
  bool fontKnown = false;
  for (std::size_t i = 1; i < operations.size(); ++i) {
    const DrawOperation& run = operations[i];
    if (run.fill || run.x < 0 || run.y < 0 || run.x % kCellWidthPx != 0 ||
        run.y % kCellHeightPx != 0) {
      return std::nullopt;
    }
    if (fontKnown && !(run.font == page.font_)) return std::nullopt;
    page.font_ = run.font;
    fontKnown = true;
    const int row = run.y / kCellHeightPx;
    const int first = run.x / kCellWidthPx;
    if (row >= page.rows_ || first + static_cast<int>(run.bytes.size()) > page.columns_) {
      return std::nullopt;
    }
    for (std::size_t k = 0; k < run.bytes.size(); ++k) {
      const auto index = static_cast<std::size_t>(row * page.columns_ + first) + k;
      if (written[index]) return std::nullopt;  // glyphs drawn over glyphs
      written[index] = true;
      const auto byte = static_cast<BYTE>(run.bytes[k]);
      if (byte != ' ') page.cells_[index] = Cell{byte, run.colour};
    }
  }
  return page;
}

bool CellPage::sameFrame(const CellPage& other) const {
  return columns_ == other.columns_ && rows_ == other.rows_ && background_ == other.background_ &&
         font_ == other.font_;
}

std::vector<CellPage::Span> CellPage::changesSince(const CellPage* shown) const {
  std::vector<Span> spans;
  const bool comparable = shown != nullptr && sameFrame(*shown);
  for (int row = 0; row < rows_; ++row) {
    if (!comparable) {
      spans.push_back({row, 0, columns_ - 1});
      continue;
    }
    int column = 0;
    while (column < columns_) {
      if (at(row, column) == shown->at(row, column)) {
        ++column;
        continue;
      }
      const int first = column;
      while (column < columns_ && !(at(row, column) == shown->at(row, column))) ++column;
      spans.push_back({row, first, column - 1});
    }
  }
  return spans;
}

}  // namespace platform::win32
