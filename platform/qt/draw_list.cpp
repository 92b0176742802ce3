#include "platform/qt/draw_list.h"

#include <QRegion>
#include <algorithm>
#include <cstring>

#include "platform/qt/glyph_atlas.h"

namespace platform::qt {
namespace {

QRgb pixelOf(COLORREF color) { return qRgb(GetRValue(color), GetGValue(color), GetBValue(color)); }

QRgb* lineOf(QImage& image, uchar* bits, int row) {
  return reinterpret_cast<QRgb*>(bits + static_cast<std::size_t>(row) *
                                            static_cast<std::size_t>(image.bytesPerLine()));
}

}  // namespace

QRect DrawList::fill(const CRect& rect, COLORREF color) {
  if (rect.right <= rect.left || rect.bottom <= rect.top) return {};  // empty or inside out
  const QRect whole(QPoint(0, 0), bounds_);
  const QRect area = QRect(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1))
                         .intersected(whole);
  if (area.isEmpty()) return {};
  if (area == whole) clear();  // nothing drawn before shows through
  ops_.push_back(Op{.area = area, .color = pixelOf(color)});
  return area;
}

QRect DrawList::text(int x, int y, const GlyphAtlas& atlas, const BYTE* bytes, int count) {
  if (count <= 0 || bytes == nullptr) return {};
  // Cells wholly right of the image are never drawn; keep only those left.
  const long long room =
      (static_cast<long long>(bounds_.width()) - x + kCellWidthPx - 1) / kCellWidthPx;
  const int inside = static_cast<int>(std::clamp<long long>(room, 0, count));
  const QRect area =
      QRect(x, y, kCellWidthPx * inside, kCellHeightPx).intersected(QRect(QPoint(0, 0), bounds_));
  if (area.isEmpty()) return {};
  ops_.push_back(Op{.area = area, .atlas = &atlas, .x = x, .y = y, .firstByte = bytes_.size()});
  bytes_.insert(bytes_.end(), bytes, bytes + inside);
  return area;
}

void DrawList::clear() {
  ops_.clear();
  bytes_.clear();
}

QRegion DrawList::rasterise(QImage& image) {
  if (ops_.empty()) return {};
  const bool page = isPage();
  const QRegion changed = page && shown_.valid && shown_.ops.front().color == ops_.front().color
                              ? writeChangesSince(image, shown_)
                              : writeAll(image);
  shown_.valid = page;
  if (page) {
    // Swapped, not copied: the old page's storage is reused by the next list.
    std::swap(shown_.ops, ops_);
    std::swap(shown_.bytes, bytes_);
  }
  clear();
  return changed;
}

bool DrawList::isPage() const {
  constexpr std::size_t kMostRuns = 256;  // beyond this the pairwise check costs more than it saves
  if (ops_.size() > kMostRuns || ops_.front().atlas != nullptr ||
      ops_.front().area != QRect(QPoint(0, 0), bounds_)) {
    return false;
  }
  for (std::size_t i = 1; i < ops_.size(); ++i) {
    if (ops_[i].atlas == nullptr) return false;
    for (std::size_t j = i + 1; j < ops_.size(); ++j) {
      if (ops_[i].area.intersects(ops_[j].area)) return false;
    }
  }
  return true;
}

QRegion DrawList::writeAll(QImage& image) const {
  QRegion changed;
  for (std::size_t i = 0; i < ops_.size(); ++i) {
    const Op& op = ops_[i];
    if (op.atlas == nullptr) {
      writeFill(image, op, i);
    } else {
      writeCells(image, op, bytes_.data() + op.firstByte, firstCellOf(op), lastCellOf(op));
    }
    changed += op.area;
  }
  return changed;
}

QRegion DrawList::writeChangesSince(QImage& image, const Page& shown) const {
  // Both are pages on the same background: each pixel shows either the
  // background or the one run over it. A cell of the new page that the old
  // page drew at the same place with the same glyph is already right.
  QRegion changed;
  // Old runs wholly under a new run at the same place leave no background to
  // restore; usually that is all of them, and the region sums are skipped.
  std::size_t oldRunsCovered = 0;
  for (std::size_t i = 1; i < ops_.size(); ++i) {
    const Op& op = ops_[i];
    const BYTE* bytes = bytes_.data() + op.firstByte;
    const Op* before = nullptr;
    for (std::size_t j = 1; j < shown.ops.size() && before == nullptr; ++j) {
      const Op& candidate = shown.ops[j];
      if (candidate.x == op.x && candidate.y == op.y && candidate.area.top() == op.area.top() &&
          candidate.area.bottom() == op.area.bottom()) {
        before = &candidate;
      }
    }
    if (before != nullptr && op.area.contains(before->area)) ++oldRunsCovered;
    const int first = firstCellOf(op);
    const int last = lastCellOf(op);
    int firstWritten = last + 1;
    int lastWritten = first - 1;
    // Consecutive changed cells are written together, row by row.
    int spanStart = -1;
    for (int cell = first; cell <= last + 1; ++cell) {
      const bool same =
          cell <= last && before != nullptr && before->atlas == op.atlas &&
          cell >= firstCellOf(*before) && cell <= lastCellOf(*before) &&
          shown.bytes[before->firstByte + static_cast<std::size_t>(cell)] == bytes[cell];
      if (cell <= last && !same) {
        if (spanStart < 0) spanStart = cell;
        continue;
      }
      if (spanStart < 0) continue;
      writeCells(image, op, bytes, spanStart, cell - 1);
      firstWritten = std::min(firstWritten, spanStart);
      lastWritten = cell - 1;
      spanStart = -1;
    }
    if (firstWritten <= lastWritten) {
      const int left = std::max(op.area.left(), op.x + kCellWidthPx * firstWritten);
      const int right =
          std::min(op.area.right(), op.x + kCellWidthPx * lastWritten + kCellWidthPx - 1);
      changed += QRect(QPoint(left, op.area.top()), QPoint(right, op.area.bottom()));
    }
  }
  if (oldRunsCovered + 1 == shown.ops.size()) return changed;
  // Where old text was and no new text is, the background shows again.
  QRegion oldText;
  for (std::size_t i = 1; i < shown.ops.size(); ++i) oldText += shown.ops[i].area;
  QRegion newText;
  for (std::size_t i = 1; i < ops_.size(); ++i) newText += ops_[i].area;
  const QRegion uncovered = oldText - newText;
  const QRgb background = ops_.front().color;
  uchar* bits = image.bits();
  for (const QRect& part : uncovered) {
    for (int row = part.top(); row <= part.bottom(); ++row) {
      QRgb* line = lineOf(image, bits, row);
      std::fill(line + part.left(), line + part.right() + 1, background);
    }
  }
  changed += uncovered;
  return changed;
}

int DrawList::firstCellOf(const Op& op) { return (op.area.left() - op.x) / kCellWidthPx; }
int DrawList::lastCellOf(const Op& op) { return (op.area.right() - op.x) / kCellWidthPx; }

void DrawList::writeFill(QImage& image, const Op& op, std::size_t index) const {
  // Text cells are opaque, and so are fills: what later operations cover
  // need not be filled first.
  QRegion covered;
  for (std::size_t later = index + 1; later < ops_.size(); ++later) {
    if (ops_[later].area.intersects(op.area)) covered += ops_[later].area;
  }
  const QRegion visible = QRegion(op.area) - covered;
  uchar* bits = image.bits();  // once: each call checks the image for sharing
  for (const QRect& part : visible) {
    for (int row = part.top(); row <= part.bottom(); ++row) {
      QRgb* line = lineOf(image, bits, row);
      std::fill(line + part.left(), line + part.right() + 1, op.color);
    }
  }
}

void DrawList::writeCells(QImage& image, const Op& op, const BYTE* bytes, int firstCell,
                          int lastCell) const {
  const QImage& atlas = op.atlas->image();
  const uchar* atlasBits = atlas.constBits();
  const auto atlasStride = static_cast<std::size_t>(atlas.bytesPerLine());
  uchar* bits = image.bits();
  const auto stride = static_cast<std::size_t>(image.bytesPerLine());
  for (int row = op.area.top(); row <= op.area.bottom(); ++row) {
    const auto* glyphRow = reinterpret_cast<const QRgb*>(
        atlasBits + static_cast<std::size_t>(row - op.y) * atlasStride);
    auto* line = reinterpret_cast<QRgb*>(bits + static_cast<std::size_t>(row) * stride);
    for (int cell = firstCell; cell <= lastCell; ++cell) {
      const int cellLeft = op.x + kCellWidthPx * cell;
      const QRgb* glyph = glyphRow + kCellWidthPx * bytes[cell];
      if (cellLeft >= op.area.left() && cellLeft + kCellWidthPx - 1 <= op.area.right()) {
        // A whole cell: a copy of fixed size, which the compiler inlines.
        std::memcpy(line + cellLeft, glyph, kCellWidthPx * sizeof(QRgb));
      } else {
        const int from = std::max(cellLeft, op.area.left());
        const int to = std::min(cellLeft + kCellWidthPx - 1, op.area.right());
        std::memcpy(line + from, glyph + (from - cellLeft),
                    static_cast<std::size_t>(to - from + 1) * sizeof(QRgb));
      }
    }
  }
}

}  // namespace platform::qt
