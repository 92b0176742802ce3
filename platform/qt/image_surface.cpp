#include "platform/qt/image_surface.h"

#include <algorithm>
#include <cstring>

#include "platform/qt/glyph_atlas.h"

namespace platform::qt {

CRect ImageSurface::clientRect() const { return CRect{0, 0, image_.width(), image_.height()}; }

void ImageSurface::fillSolidRect(const CRect& rect, COLORREF color) {
  if (rect.right <= rect.left || rect.bottom <= rect.top) return;  // empty or inside out
  const QRect area = QRect(QPoint(rect.left, rect.top), QPoint(rect.right - 1, rect.bottom - 1))
                         .intersected(image_.rect());
  if (area.isEmpty()) return;
  const QRgb pixel = qRgb(GetRValue(color), GetGValue(color), GetBValue(color));
  for (int row = area.top(); row <= area.bottom(); ++row) {
    auto* line = reinterpret_cast<QRgb*>(image_.scanLine(row));
    std::fill(line + area.left(), line + area.right() + 1, pixel);
  }
  touched_ |= area;
}

void ImageSurface::textOut(int x, int y, COLORREF color, const LogFont& font, const BYTE* bytes,
                           int count) {
  if (count <= 0 || bytes == nullptr) return;
  const GlyphAtlas& atlas = GlyphAtlas::forStyle(font, color);
  for (int i = 0; i < count; ++i) {
    const int cellLeft = x + kCellWidth * i;
    if (cellLeft >= image_.width()) break;
    copyCell(atlas.image(), atlas.cellX(bytes[i]), cellLeft, y);
  }
}

void ImageSurface::copyCell(const QImage& atlas, int atlasX, int x, int y) {
  const QRect cell = QRect(x, y, kCellWidth, kCellHeight).intersected(image_.rect());
  if (cell.isEmpty()) return;
  const int skipX = cell.left() - x;
  const int skipY = cell.top() - y;
  const auto bytes = static_cast<std::size_t>(cell.width()) * sizeof(QRgb);
  for (int row = 0; row < cell.height(); ++row) {
    const auto* from =
        reinterpret_cast<const QRgb*>(atlas.constScanLine(skipY + row)) + atlasX + skipX;
    auto* to = reinterpret_cast<QRgb*>(image_.scanLine(cell.top() + row)) + cell.left();
    std::memcpy(to, from, bytes);
  }
  touched_ |= cell;
}

}  // namespace platform::qt
