#include "platform/qt/glyph_atlas.h"

#include <QColor>
#include <QFont>
#include <QPainter>
#include <QString>
#include <map>
#include <memory>
#include <tuple>

#include "platform/desktop/code_page_437.h"

namespace platform::qt {
namespace {

// DejaVu Sans Mono at 13 px unhinted advances 7.8 px and keeps the ink of
// every printable glyph inside 0..8; larger sizes spill into the next cell.
constexpr int kPixelSize = 13;
constexpr qreal kGlyphLeft = 0.1;  // centres the 7.8 px advance in the cell
constexpr qreal kBaseline = 14.0;  // ascent 12 and descent 3 centred in 18
constexpr int kBoldWeight = 700;

}  // namespace

QFont displayFont(const LogFont& logFont) {
  QFont font(QStringLiteral("DejaVu Sans Mono"));
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  font.setPixelSize(kPixelSize);
  font.setHintingPreference(QFont::PreferNoHinting);
  // Whole pixels of the text colour, as the original bitmap face draws: no
  // grey fringe, and the colour of every inked pixel is the text colour.
  font.setStyleStrategy(QFont::NoAntialias);
  font.setBold(logFont.weight >= kBoldWeight);
  font.setItalic(logFont.italic != 0);
  return font;
}

GlyphAtlas::GlyphAtlas(const LogFont& font, COLORREF color)
    : image_(kCellWidthPx * 256, kCellHeightPx, QImage::Format_RGB32) {
  image_.fill(Qt::white);
  QPainter painter(&image_);
  painter.setFont(displayFont(font));
  painter.setPen(QColor(GetRValue(color), GetGValue(color), GetBValue(color)));
  for (int byte = 0; byte < 256; ++byte) {
    const int left = kCellWidthPx * byte;
    painter.setClipRect(left, 0, kCellWidthPx, kCellHeightPx);
    const char32_t codePoint = desktop::glyphCodePoint(static_cast<std::uint8_t>(byte));
    painter.drawText(QPointF(left + kGlyphLeft, kBaseline), QString::fromUcs4(&codePoint, 1));
  }
}

const GlyphAtlas& GlyphAtlas::forStyle(const LogFont& font, COLORREF color) {
  using Key = std::tuple<bool, bool, COLORREF>;
  static std::map<Key, std::unique_ptr<GlyphAtlas>> atlases;
  const Key key{font.weight >= kBoldWeight, font.italic != 0, color};
  auto& atlas = atlases[key];
  if (!atlas) atlas = std::make_unique<GlyphAtlas>(font, color);
  return *atlas;
}

}  // namespace platform::qt
