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
  // bits() once: every scanLine() call would check the image for sharing.
  uchar* bits = image_.bits();
  const auto stride = static_cast<std::size_t>(image_.bytesPerLine());
  for (int row = area.top(); row <= area.bottom(); ++row) {
    auto* line = reinterpret_cast<QRgb*>(bits + static_cast<std::size_t>(row) * stride);
    std::fill(line + area.left(), line + area.right() + 1, pixel);
  }
  touched_ |= area;
}

void ImageSurface::textOut(int x, int y, COLORREF color, const LogFont& font, const BYTE* bytes,
                           int count) {
  if (count <= 0 || bytes == nullptr) return;
  const QImage& atlas = GlyphAtlas::forStyle(font, color).image();
  const Pixels<const uchar> from{atlas.constBits(), static_cast<std::size_t>(atlas.bytesPerLine())};
  const Pixels<uchar> to{image_.bits(), static_cast<std::size_t>(image_.bytesPerLine())};
  for (int i = 0; i < count; ++i) {
    const int cellLeft = x + kCellWidth * i;
    if (cellLeft >= image_.width()) break;
    copyCell(from, kCellWidth * bytes[i], to, cellLeft, y);
  }
}

void ImageSurface::copyCell(const Pixels<const uchar>& atlas, int atlasX,
                            const Pixels<uchar>& target, int x, int y) {
  const QRect cell = QRect(x, y, kCellWidth, kCellHeight).intersected(image_.rect());
  if (cell.isEmpty()) return;
  const int skipX = cell.left() - x;
  const int skipY = cell.top() - y;
  const auto* from = atlas.bits + static_cast<std::size_t>(skipY) * atlas.stride +
                     static_cast<std::size_t>(atlasX + skipX) * sizeof(QRgb);
  auto* to = target.bits + static_cast<std::size_t>(cell.top()) * target.stride +
             static_cast<std::size_t>(cell.left()) * sizeof(QRgb);
  if (cell.width() == kCellWidth) {
    // The whole width: a copy of fixed size, which the compiler inlines.
    for (int row = 0; row < cell.height(); ++row) {
      std::memcpy(to, from, kCellWidth * sizeof(QRgb));
      from += atlas.stride;
      to += target.stride;
    }
  } else {
    const auto bytes = static_cast<std::size_t>(cell.width()) * sizeof(QRgb);
    for (int row = 0; row < cell.height(); ++row) {
      std::memcpy(to, from, bytes);
      from += atlas.stride;
      to += target.stride;
    }
  }
  touched_ |= cell;
}

}  // namespace platform::qt
