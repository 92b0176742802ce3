#include "platform/qt/image_surface.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QRawFont>
#include <array>

#include "platform/desktop/code_page_437.h"
#include "platform/qt/glyph_atlas.h"
#include "qt_test_support.h"

using platform::qt::ImageSurface;
using qt_test::countColour;
using qt_test::countInk;

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kDarkRed = 0xFFC00000;

class ImageSurfaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qt_test::qtSystem();
    image = QImage(704, 441, QImage::Format_RGB32);
    image.fill(Qt::white);
  }

  // Recorded drawing reaches the pixels when the list is written out.
  void draw(int x, int y, COLORREF color, const std::string& bytes) {
    ImageSurface surface(list, 1, platform::DrawKind::Client);
    surface.textOut(x, y, color, font, reinterpret_cast<const BYTE*>(bytes.data()),
                    static_cast<int>(bytes.size()));
    touched = surface.touched();
    list.rasterise(image);
  }

  QImage image;
  platform::qt::DrawList list{QSize(704, 441)};
  platform::LogFont font{18, 8, 0, 0, 400, 0, 0, 0, 186, 0, 1, 0, 49, "Terminal"};
  QRect touched;
};

TEST_F(ImageSurfaceTest, EveryByteValueInksItsOwnCellAndNothingOutsideIt) {
  // Each byte alone in the middle of a white image, so that ink outside its
  // 8x18 cell would show.
  for (int byte = 0; byte < 256; ++byte) {
    image.fill(Qt::white);
    const std::string one(1, static_cast<char>(byte));
    draw(64, 36, RGB(0, 0, 0), one);
    const QRect cell(64, 36, 8, 18);
    const int inside = countInk(image, cell);
    const int total = countInk(image, image.rect());
    if (byte == ' ') {
      EXPECT_EQ(total, 0) << "the space stays blank";
    } else {
      EXPECT_GT(inside, 0) << "byte " << byte << " shows nothing";
    }
    EXPECT_EQ(total, inside) << "byte " << byte << " inks outside its cell";
    EXPECT_EQ(countColour(image, cell, kBlack), inside) << "byte " << byte << " is not pure black";
  }
}

TEST_F(ImageSurfaceTest, TextTakesOneEightPixelCellPerByteInItsColour) {
  draw(64, 18, RGB(192, 0, 0), "HHHH");
  for (int i = 0; i < 4; ++i) {
    const QRect cell(64 + 8 * i, 18, 8, 18);
    EXPECT_GT(countColour(image, cell, kDarkRed), 10) << "cell " << i;
    EXPECT_EQ(countColour(image, cell, kDarkRed), countInk(image, cell)) << "cell " << i;
  }
  // Four identical bytes give four identical cells.
  for (int i = 1; i < 4; ++i) {
    EXPECT_EQ(image.copy(64, 18, 8, 18), image.copy(64 + 8 * i, 18, 8, 18)) << "cell " << i;
  }
  EXPECT_EQ(countInk(image, QRect(0, 0, 64, 441)), 0);
  EXPECT_EQ(countInk(image, QRect(96, 0, 608, 441)), 0);
  EXPECT_EQ(touched, QRect(64, 18, 32, 18));
}

TEST_F(ImageSurfaceTest, TextPaintsItsCellsWhiteUnderneath) {
  ImageSurface surface(list, 1, platform::DrawKind::Client);
  surface.fillSolidRect(CRect{0, 0, 704, 441}, RGB(0, 0, 255));
  draw(0, 0, RGB(0, 0, 0), " ");
  EXPECT_EQ(countColour(image, QRect(0, 0, 8, 18), kWhite), 8 * 18);
  EXPECT_EQ(image.pixel(8, 0), 0xFF0000FFu);
}

TEST_F(ImageSurfaceTest, FillSolidRectCoversExactlyItsRectangleClippedToTheImage) {
  ImageSurface surface(list, 1, platform::DrawKind::Client);
  surface.fillSolidRect(CRect{10, 20, 30, 25}, RGB(1, 2, 3));
  list.rasterise(image);
  EXPECT_EQ(countColour(image, image.rect(), qRgb(1, 2, 3)), 20 * 5);
  EXPECT_EQ(image.pixel(10, 20), qRgb(1, 2, 3));
  EXPECT_EQ(image.pixel(29, 24), qRgb(1, 2, 3));
  EXPECT_EQ(image.pixel(30, 24), kWhite);
  EXPECT_EQ(image.pixel(29, 25), kWhite);
  surface.fillSolidRect(CRect{-50, -50, 2000, 2000}, RGB(9, 9, 9));
  list.rasterise(image);
  EXPECT_EQ(countColour(image, image.rect(), qRgb(9, 9, 9)), 704 * 441);
  surface.fillSolidRect(CRect{5, 5, 5, 50}, RGB(0, 0, 0));   // empty
  surface.fillSolidRect(CRect{50, 50, 5, 5}, RGB(0, 0, 0));  // inverted
  EXPECT_TRUE(list.empty()) << "nothing to draw is not recorded";
  list.rasterise(image);
  EXPECT_EQ(countColour(image, image.rect(), kBlack), 0);
  EXPECT_EQ(surface.touched(), image.rect());
}

TEST_F(ImageSurfaceTest, TextAtTheEdgesIsClippedNotWrittenOutside) {
  const std::string block(4, static_cast<char>(0xDB));  // full block: inks the whole cell
  draw(-12, -9, RGB(0, 0, 0), block);
  EXPECT_EQ(countInk(image, image.rect()), countInk(image, QRect(0, 0, 20, 9)));
  EXPECT_GT(countInk(image, QRect(0, 0, 20, 9)), 0);
  EXPECT_EQ(touched, QRect(0, 0, 20, 9));

  image.fill(Qt::white);
  draw(700, 430, RGB(0, 0, 0), block);
  EXPECT_EQ(countInk(image, image.rect()), countInk(image, QRect(700, 430, 4, 11)));
  EXPECT_EQ(touched, QRect(700, 430, 4, 11));

  image.fill(Qt::white);
  draw(0, 441, RGB(0, 0, 0), block);
  draw(704, 0, RGB(0, 0, 0), block);
  EXPECT_EQ(countInk(image, image.rect()), 0);
  EXPECT_TRUE(touched.isEmpty());
}

TEST_F(ImageSurfaceTest, ControlBytesAndHighBytesDrawDistinctGlyphs) {
  // A sample of look-alike candidates: each must differ from the others.
  const std::array<BYTE, 8> bytes = {0x00, 0x0A, 0x0D, 0x7F, 0x80, 0xB3, 0xFF, 'A'};
  std::vector<QImage> cells;
  for (const BYTE byte : bytes) {
    image.fill(Qt::white);
    draw(0, 0, RGB(0, 0, 0), std::string(1, static_cast<char>(byte)));
    cells.push_back(image.copy(0, 0, 8, 18));
  }
  for (std::size_t i = 0; i < cells.size(); ++i) {
    for (std::size_t j = i + 1; j < cells.size(); ++j) {
      EXPECT_NE(cells[i], cells[j]) << "bytes " << int(bytes[i]) << " and " << int(bytes[j]);
    }
  }
}

TEST_F(ImageSurfaceTest, EveryBytesCharacterIsAGlyphOfTheDisplayFaceInEveryStyle) {
  // A character the face lacks would be drawn from a fallback face, or as the
  // missing-glyph box, neither made for the cell.
  for (const int weight : {400, 700}) {
    for (const BYTE italic : {BYTE{0}, BYTE{1}}) {
      platform::LogFont style = font;
      style.weight = weight;
      style.italic = italic;
      const QRawFont face = QRawFont::fromFont(platform::qt::displayFont(style));
      ASSERT_EQ(face.familyName(), QString("DejaVu Sans Mono")) << weight << " " << int(italic);
      for (int byte = 0; byte < 256; ++byte) {
        if (byte == ' ') continue;  // the one cell meant to stay blank
        const char32_t character =
            platform::desktop::glyphCodePoint(static_cast<std::uint8_t>(byte));
        EXPECT_TRUE(face.supportsCharacter(character))
            << "byte " << byte << " weight " << weight << " italic " << int(italic);
      }
    }
  }
}

}  // namespace
