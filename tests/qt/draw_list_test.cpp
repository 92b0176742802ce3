#include "platform/qt/draw_list.h"

#include <gtest/gtest.h>

#include <QImage>
#include <random>
#include <string>
#include <vector>

#include "platform/qt/glyph_atlas.h"
#include "qt_test_support.h"

using platform::kCellHeightPx;
using platform::kCellWidthPx;
using platform::qt::DrawList;
using platform::qt::GlyphAtlas;

namespace {

const platform::LogFont kFont{18, 8, 0, 0, 400, 0, 0, 0, 186, 0, 1, 0, 49, "Terminal"};

// The plain way to draw: every pixel of a fill, every pixel of every cell,
// in order. The list must give exactly these pixels.
struct PlainPainter {
  QImage& image;

  void fill(const CRect& rect, COLORREF color) {
    for (int y = std::max(0, rect.top); y < std::min(image.height(), rect.bottom); ++y) {
      for (int x = std::max(0, rect.left); x < std::min(image.width(), rect.right); ++x) {
        image.setPixel(x, y, qRgb(GetRValue(color), GetGValue(color), GetBValue(color)));
      }
    }
  }
  void text(int left, int top, const GlyphAtlas& atlas, const std::vector<BYTE>& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      const int cellLeft = left + kCellWidthPx * static_cast<int>(i);
      for (int dy = 0; dy < kCellHeightPx; ++dy) {
        for (int dx = 0; dx < kCellWidthPx; ++dx) {
          const int x = cellLeft + dx;
          const int y = top + dy;
          if (x < 0 || y < 0 || x >= image.width() || y >= image.height()) continue;
          image.setPixel(x, y, atlas.image().pixel(atlas.cellX(bytes[i]) + dx, dy));
        }
      }
    }
  }
};

QImage whiteImage(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

class DrawListTest : public ::testing::Test {
 protected:
  // The atlases need the application, which qtSystem() makes.
  DrawListTest()
      : black((qt_test::qtSystem(), GlyphAtlas::forStyle(kFont, RGB(0, 0, 0)))),
        red(GlyphAtlas::forStyle(kFont, RGB(192, 0, 0))) {}
  const GlyphAtlas& black;
  const GlyphAtlas& red;
};

TEST_F(DrawListTest, AnyMixOfFillsAndTextGivesThePixelsOfDrawingEachInTurn) {
  // Overlapping fills and runs, partly or wholly outside the image, written
  // out at random moments onto what the image already holds.
  std::mt19937 random(20261207);
  auto pick = [&](int low, int high) { return std::uniform_int_distribution<>(low, high)(random); };
  for (int round = 0; round < 60; ++round) {
    const int width = pick(1, 120);
    const int height = pick(1, 80);
    QImage listed = whiteImage(width, height);
    QImage plain = whiteImage(width, height);
    DrawList list(QSize(width, height));
    PlainPainter painter{plain};
    for (int step = 0; step < 30; ++step) {
      if (pick(0, 3) == 0) {
        CRect rect{pick(-20, width + 5), pick(-20, height + 5), pick(-20, width + 20),
                   pick(-20, height + 20)};
        if (pick(0, 5) == 0) rect = CRect{pick(-5, 0), pick(-5, 0), width + pick(0, 5), height};
        const COLORREF color = RGB(pick(0, 255), pick(0, 255), pick(0, 255));
        list.fill(rect, color);
        painter.fill(rect, color);
      } else {
        std::vector<BYTE> bytes(static_cast<std::size_t>(pick(0, 20)));
        for (auto& byte : bytes) byte = static_cast<BYTE>(pick(0, 255));
        const int x = pick(-40, width + 10);
        const int y = pick(-20, height + 5);
        const GlyphAtlas& atlas = pick(0, 1) == 0 ? black : red;
        list.text(x, y, atlas, bytes.data(), static_cast<int>(bytes.size()));
        painter.text(x, y, atlas, bytes);
      }
      if (pick(0, 9) == 0) list.rasterise(listed);
    }
    list.rasterise(listed);
    ASSERT_EQ(listed, plain) << "round " << round << ", " << width << "x" << height;
    EXPECT_TRUE(list.empty()) << "writing out empties the list";
  }
}

TEST_F(DrawListTest, PageAfterPageGivesTheRightPixelsAndReportsEveryPixelThatChanged) {
  // Pages as the dump draws them (rows of runs on a whole fill), with runs
  // that grow, shrink, move, change colour or hang over the edges, written
  // one after another: only changed cells are written, so the image must
  // still equal a plain drawing of the last page, and every pixel that
  // differs from the frame before must be inside the reported region.
  std::mt19937 random(7);
  auto pick = [&](int low, int high) { return std::uniform_int_distribution<>(low, high)(random); };
  const int width = 100;
  const int height = 90;
  QImage listed = whiteImage(width, height);
  DrawList list(QSize(width, height));
  for (int frame = 0; frame < 200; ++frame) {
    const COLORREF background = pick(0, 9) == 0 ? RGB(0, 0, 255) : RGB(255, 255, 255);
    QImage plain = whiteImage(width, height);
    PlainPainter painter{plain};
    list.fill(CRect{0, 0, width, height}, background);
    painter.fill(CRect{0, 0, width, height}, background);
    for (int row = 0; row < 5; ++row) {
      if (pick(0, 4) == 0) continue;
      const int x = pick(0, 6) == 0 ? pick(-12, 4) : 0;
      const int y = 18 * row + (pick(0, 9) == 0 ? pick(-6, 6) : 0);
      std::vector<BYTE> bytes(static_cast<std::size_t>(pick(1, 14)));
      for (auto& byte : bytes) byte = static_cast<BYTE>(pick('0', '3'));
      const GlyphAtlas& atlas = pick(0, 5) == 0 ? red : black;
      list.text(x, y, atlas, bytes.data(), static_cast<int>(bytes.size()));
      painter.text(x, y, atlas, bytes);
    }
    const QImage before = listed.copy();
    const QRegion changed = list.rasterise(listed);
    ASSERT_EQ(listed, plain) << "frame " << frame;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        if (before.pixel(x, y) != listed.pixel(x, y)) {
          ASSERT_TRUE(changed.contains(QPoint(x, y)))
              << "frame " << frame << " at " << x << "," << y;
        }
      }
    }
  }
}

TEST_F(DrawListTest, TheSamePageAgainChangesNothingAndAFreshImageIsWrittenWhole) {
  const BYTE text[] = {'A', 'B', 'C'};
  auto drawPage = [&](DrawList& list) {
    list.fill(CRect{0, 0, 64, 40}, RGB(255, 255, 255));
    list.text(0, 0, black, text, 3);
    list.text(0, 18, red, text, 3);
  };
  DrawList list(QSize(64, 40));
  QImage image = whiteImage(64, 40);
  drawPage(list);
  EXPECT_EQ(list.rasterise(image), QRegion(0, 0, 64, 40));
  drawPage(list);
  EXPECT_TRUE(list.rasterise(image).isEmpty());
  // Once the image was changed by other means, the page is written whole.
  image.fill(Qt::black);
  list.forgetShown();
  drawPage(list);
  EXPECT_EQ(list.rasterise(image), QRegion(0, 0, 64, 40));
  EXPECT_EQ(qt_test::countColour(image, image.rect(), 0xFF000000u),
            qt_test::countInk(image, QRect(0, 0, 24, 18)));
}

TEST_F(DrawListTest, APageDrawnOverAndOverKeepsOnlyTheLastPage) {
  DrawList list(QSize(720, 441));
  const std::string row(48, 'a');
  for (int redraw = 0; redraw < 100; ++redraw) {
    list.fill(CRect{0, 0, 720, 441}, RGB(255, 255, 255));
    for (int y = 0; y < 22; ++y) {
      list.text(0, 18 * y, black, reinterpret_cast<const BYTE*>(row.data()), 48);
    }
  }
  EXPECT_EQ(list.size(), 23u);
}

TEST_F(DrawListTest, OnlyAFillOfTheWholeImageDropsWhatCameBefore) {
  DrawList list(QSize(100, 50));
  const BYTE text[] = {'A', 'B'};
  list.text(0, 0, black, text, 2);
  list.fill(CRect{0, 0, 100, 49}, RGB(255, 255, 255));  // one row short
  list.fill(CRect{1, 0, 100, 50}, RGB(255, 255, 255));  // one column short
  EXPECT_EQ(list.size(), 3u);
  list.fill(CRect{-10, -10, 200, 200}, RGB(0, 0, 255));
  EXPECT_EQ(list.size(), 1u);

  // The dropped text is really gone: the image is blue all over.
  QImage image = whiteImage(100, 50);
  list.rasterise(image);
  EXPECT_EQ(qt_test::countColour(image, image.rect(), qRgb(0, 0, 255)), 100 * 50);
}

TEST_F(DrawListTest, WhatEachOperationCoversIsReportedClippedAndNothingIsNotRecorded) {
  DrawList list(QSize(100, 50));
  const BYTE text[] = {'A', 'B', 'C', 'D'};
  EXPECT_EQ(list.text(90, 40, black, text, 4), QRect(90, 40, 10, 10));
  EXPECT_EQ(list.text(-12, -9, red, text, 4), QRect(0, 0, 20, 9));
  EXPECT_EQ(list.fill(CRect{10, 20, 30, 25}, RGB(1, 2, 3)), QRect(10, 20, 20, 5));
  EXPECT_EQ(list.size(), 3u);
  EXPECT_TRUE(list.text(100, 0, black, text, 4).isEmpty());
  EXPECT_TRUE(list.text(0, 50, black, text, 4).isEmpty());
  EXPECT_TRUE(list.text(0, 0, black, text, 0).isEmpty());
  EXPECT_TRUE(list.fill(CRect{5, 5, 5, 50}, RGB(0, 0, 0)).isEmpty());
  EXPECT_TRUE(list.fill(CRect{50, 50, 5, 5}, RGB(0, 0, 0)).isEmpty());
  EXPECT_EQ(list.size(), 3u);
}

TEST_F(DrawListTest, AVeryLongRunFarLeftOrRightStaysWithinTheImage) {
  DrawList list(QSize(64, 18));
  std::vector<BYTE> bytes(100000, 0xDB);  // full block: inks the whole cell
  EXPECT_TRUE(list.text(-800000, 0, black, bytes.data(), static_cast<int>(bytes.size())).isEmpty());
  EXPECT_EQ(list.text(-799992, 0, black, bytes.data(), static_cast<int>(bytes.size())),
            QRect(0, 0, 8, 18));
  EXPECT_TRUE(list.text(2147483000, 0, black, bytes.data(), 10).isEmpty());
  QImage image = whiteImage(64, 18);
  list.rasterise(image);
  EXPECT_EQ(qt_test::countInk(image, QRect(0, 0, 8, 18)), qt_test::countInk(image, image.rect()));
  EXPECT_GT(qt_test::countInk(image, QRect(0, 0, 8, 18)), 0);
}

}  // namespace
