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
      (static_cast<long long>(bounds_.width()) - x + kCellWidth - 1) / kCellWidth;
  const int inside = static_cast<int>(std::clamp<long long>(room, 0, count));
  const QRect area =
      QRect(x, y, kCellWidth * inside, kCellHeight).intersected(QRect(QPoint(0, 0), bounds_));
  if (area.isEmpty()) return {};
  ops_.push_back(Op{.area = area, .atlas = &atlas, .x = x, .y = y, .firstByte = bytes_.size()});
  bytes_.insert(bytes_.end(), bytes, bytes + inside);
  return area;
}

void DrawList::clear() {
  ops_.clear();
  bytes_.clear();
}

void DrawList::rasterise(QImage& image) {
  if (ops_.empty()) return;
  for (std::size_t i = 0; i < ops_.size(); ++i) {
    if (ops_[i].atlas == nullptr) {
      writeFill(image, ops_[i], i);
    } else {
      writeText(image, ops_[i]);
    }
  }
  clear();
}

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

void DrawList::writeText(QImage& image, const Op& op) const {
  const QImage& atlas = op.atlas->image();
  const uchar* atlasBits = atlas.constBits();
  const auto atlasStride = static_cast<std::size_t>(atlas.bytesPerLine());
  uchar* bits = image.bits();
  const BYTE* bytes = bytes_.data() + op.firstByte;
  const int firstCell = (op.area.left() - op.x) / kCellWidth;
  const int lastCell = (op.area.right() - op.x) / kCellWidth;
  for (int row = op.area.top(); row <= op.area.bottom(); ++row) {
    const auto* glyphRow = reinterpret_cast<const QRgb*>(
        atlasBits + static_cast<std::size_t>(row - op.y) * atlasStride);
    QRgb* line = lineOf(image, bits, row);
    for (int cell = firstCell; cell <= lastCell; ++cell) {
      const int cellLeft = op.x + kCellWidth * cell;
      const QRgb* glyph = glyphRow + kCellWidth * bytes[cell];
      if (cellLeft >= op.area.left() && cellLeft + kCellWidth - 1 <= op.area.right()) {
        // A whole cell: a copy of fixed size, which the compiler inlines.
        std::memcpy(line + cellLeft, glyph, kCellWidth * sizeof(QRgb));
      } else {
        const int from = std::max(cellLeft, op.area.left());
        const int to = std::min(cellLeft + kCellWidth - 1, op.area.right());
        std::memcpy(line + from, glyph + (from - cellLeft),
                    static_cast<std::size_t>(to - from + 1) * sizeof(QRgb));
      }
    }
  }
}

}  // namespace platform::qt
