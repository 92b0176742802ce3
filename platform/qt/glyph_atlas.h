// Glyphs of all 256 byte values for one font and text colour, rendered once
// into one image of 8x18 cells (byte b at x = 8 * b) on the white background
// of the default device context, so that drawing text is copying cells.
#pragma once

#include <QFont>
#include <QImage>

#include "platform/desktop/screen_geometry.h"
#include "platform/framework/window_system.h"

namespace platform::qt {

// The face the glyphs are drawn in for a font of the framework; every byte's
// character (desktop/code_page_437.h) is one of its own glyphs, none borrowed from a
// fallback face that would not fit the cell.
QFont displayFont(const LogFont& font);

class GlyphAtlas {
 public:
  GlyphAtlas(const LogFont& font, COLORREF color);

  // The atlas of a font and colour; made on first use and kept for the
  // process (the display uses one font in two colours).
  static const GlyphAtlas& forStyle(const LogFont& font, COLORREF color);

  // RGB32, kCellWidthPx * 256 by kCellHeightPx.
  const QImage& image() const { return image_; }
  int cellX(BYTE byte) const { return kCellWidthPx * byte; }

 private:
  QImage image_;
};

}  // namespace platform::qt
