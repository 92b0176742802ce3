#include "platform/qt/image_surface.h"

#include "platform/qt/glyph_atlas.h"

namespace platform::qt {

CRect ImageSurface::clientRect() const {
  return CRect{0, 0, list_.bounds().width(), list_.bounds().height()};
}

void ImageSurface::fillSolidRect(const CRect& rect, COLORREF color) {
  touched_ |= list_.fill(rect, color);
}

void ImageSurface::textOut(int x, int y, COLORREF color, const LogFont& font, const BYTE* bytes,
                           int count) {
  if (count <= 0 || bytes == nullptr) return;
  touched_ |= list_.text(x, y, GlyphAtlas::forStyle(font, color), bytes, count);
}

}  // namespace platform::qt
