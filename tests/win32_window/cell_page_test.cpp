// Pages of cells: which drawings are pages, and which cells differ between two.
#include "platform/win32/cell_page.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using platform::win32::CellPage;
using platform::win32::DrawOperation;

constexpr CRect kClient{0, 0, 80, 54};  // 10 columns, 3 rows
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(192, 0, 0);

DrawOperation fill(CRect rect, COLORREF colour = kWhite) {
  return {.fill = true, .rect = rect, .colour = colour};
}
DrawOperation text(int x, int y, const std::string& bytes, COLORREF colour = 0,
                   const char* face = "Terminal") {
  platform::LogFont font;
  font.height = 18;
  font.faceName = face;
  return {.colour = colour, .x = x, .y = y, .font = font, .bytes = bytes};
}

TEST(CellPage, IsAWholeFillThenAlignedRunsInOneFontThatDoNotOverlap) {
  struct Case {
    const char* what;
    std::vector<DrawOperation> operations;
    bool page;
  };
  const std::vector<Case> cases{
      {"a dump", {fill(kClient), text(0, 0, "000001: "), text(64, 18, "AB", kRed)}, true},
      {"background only", {fill(kClient)}, true},
      {"a larger fill", {fill({-5, -5, 500, 500})}, true},
      {"no fill first", {text(0, 0, "A"), fill(kClient)}, false},
      {"a fill short of the client area", {fill({0, 0, 80, 36}), text(0, 0, "A")}, false},
      {"a second fill", {fill(kClient), fill({0, 0, 8, 18})}, false},
      {"a run between cells", {fill(kClient), text(4, 0, "A")}, false},
      {"a run between rows", {fill(kClient), text(0, 9, "A")}, false},
      {"a run past the right edge", {fill(kClient), text(72, 0, "AB")}, false},
      {"runs over each other", {fill(kClient), text(0, 0, "AB"), text(8, 0, "C")}, false},
      {"two faces", {fill(kClient), text(0, 0, "A"), text(0, 18, "B", 0, "Courier")}, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CellPage::of(c.operations, kClient).has_value(), c.page) << c.what;
  }
}

TEST(CellPage, ChangesAreTheStretchesOfCellsThatDiffer) {
  const auto shown = CellPage::of({fill(kClient), text(0, 0, "ABCD"), text(0, 36, "xyz")}, kClient);
  ASSERT_TRUE(shown);
  struct Case {
    const char* what;
    std::vector<DrawOperation> operations;
    std::vector<std::vector<int>> spans;  // row, first, last
  };
  const std::vector<Case> cases{
      {"the same page", {fill(kClient), text(0, 0, "ABCD"), text(0, 36, "xyz")}, {}},
      {"one byte", {fill(kClient), text(0, 0, "ABXD"), text(0, 36, "xyz")}, {{0, 2, 2}}},
      {"a colour", {fill(kClient), text(0, 0, "ABCD"), text(0, 36, "xyz", kRed)}, {{2, 0, 2}}},
      {"text gone and text come",
       {fill(kClient), text(0, 0, "AB"), text(8, 18, "Q"), text(0, 36, "xyz")},
       {{0, 2, 3}, {1, 1, 1}}},
      {"a blank drawn over", {fill(kClient), text(0, 0, "A CD"), text(0, 36, "xyz")}, {{0, 1, 1}}},
      {"two stretches in a row",
       {fill(kClient), text(0, 0, "xBCx"), text(0, 36, "xyz")},
       {{0, 0, 0}, {0, 3, 3}}},
      {"another background",
       {fill(kClient, RGB(0, 0, 0)), text(0, 0, "ABCD"), text(0, 36, "xyz")},
       {{0, 0, 9}, {1, 0, 9}, {2, 0, 9}}},
  };
  for (const Case& c : cases) {
    const auto page = CellPage::of(c.operations, kClient);
    ASSERT_TRUE(page) << c.what;
    std::vector<std::vector<int>> spans;
    for (const auto& span : page->changesSince(&*shown))
      spans.push_back({span.row, span.first, span.last});
    EXPECT_EQ(spans, c.spans) << c.what;
  }
  EXPECT_EQ(shown->changesSince(nullptr).size(), 3u);  // nothing shown yet: every row
}

}  // namespace
