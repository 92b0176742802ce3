#include "view/caret_navigation.h"

#include "tests/view/capture_fixture.h"

namespace {

class CaretNavigationTest : public CaptureFixture {
 protected:
  static void at(int topRow, int caretRow, int caretCol) {
    monitorState.topRow = topRow;
    monitorState.caretRow = caretRow;
    monitorState.caretCol = caretCol;
  }
  static void expectAt(int topRow, int caretRow, int caretCol) {
    EXPECT_EQ(monitorState.topRow, topRow);
    EXPECT_EQ(monitorState.caretRow, caretRow);
    EXPECT_EQ(monitorState.caretCol, caretCol);
  }
};

TEST_F(CaretNavigationTest, EmptyCaptureMovesOnlyAlongTheFirstTwentyEightCells) {
  for (unsigned key : {kScanUp, kScanDown, kScanPageUp, kScanPageDown}) {
    EXPECT_EQ(moveCaretForKey(key), CaretUpdate::None) << key;
    expectAt(0, 0, 0);
  }
  EXPECT_EQ(moveCaretForKey(kScanLeft), CaretUpdate::Show);
  expectAt(0, 0, 0);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(moveCaretForKey(kScanRight), CaretUpdate::Show);
  expectAt(0, 0, 27);
}

TEST_F(CaretNavigationTest, LastRecordHoldsTheCaret) {
  addRecords(2, 3);  // W = 37
  at(0, 1, 36);
  EXPECT_EQ(moveCaretForKey(kScanDown), CaretUpdate::None);
  EXPECT_EQ(moveCaretForKey(kScanRight), CaretUpdate::Show);
  expectAt(0, 1, 36);
}

TEST_F(CaretNavigationTest, RightWrapsAtTheRowWidth) {
  addRecords(2, 3);
  at(0, 0, 35);
  moveCaretForKey(kScanRight);
  expectAt(0, 0, 36);
  moveCaretForKey(kScanRight);
  expectAt(0, 1, 0);
}

TEST_F(CaretNavigationTest, LeftFromColumnZeroGoesJustPastTheRowAbove) {
  addRecords(2, 3);
  at(0, 1, 0);
  EXPECT_EQ(moveCaretForKey(kScanLeft), CaretUpdate::Show);
  expectAt(0, 0, 37);
  moveCaretForKey(kScanRight);
  expectAt(0, 0, 38);  // beyond the width the caret keeps going on its row
  moveCaretForKey(kScanRight);
  expectAt(0, 0, 39);
}

TEST_F(CaretNavigationTest, UpAndDownKeepTheColumn) {
  addRecord(0, 1, std::vector<std::uint8_t>(16, 0x41));
  addRecord(0, 2, {0x42});
  at(0, 0, 70);
  EXPECT_EQ(moveCaretForKey(kScanDown), CaretUpdate::Show);
  expectAt(0, 1, 70);
  EXPECT_EQ(moveCaretForKey(kScanUp), CaretUpdate::Show);
  expectAt(0, 0, 70);
  EXPECT_EQ(moveCaretForKey(kScanUp), CaretUpdate::None);
}

TEST_F(CaretNavigationTest, StepsOffThePageScrollByOneRecord) {
  addRecords(40);
  at(0, 21, 3);
  EXPECT_EQ(moveCaretForKey(kScanDown), CaretUpdate::Redraw);
  expectAt(1, 22, 3);
  at(5, 5, 3);
  EXPECT_EQ(moveCaretForKey(kScanUp), CaretUpdate::Redraw);
  expectAt(4, 4, 3);
  at(5, 5, 0);
  EXPECT_EQ(moveCaretForKey(kScanLeft), CaretUpdate::Redraw);
  expectAt(4, 4, 40);
  at(0, 21, 39);  // W = 40: the next Right wraps below the page
  EXPECT_EQ(moveCaretForKey(kScanRight), CaretUpdate::Redraw);
  expectAt(1, 22, 0);
}

TEST_F(CaretNavigationTest, PageDownTurnsToTheNextPageOrTheLastOne) {
  addRecords(30);
  at(0, 4, 9);
  EXPECT_EQ(moveCaretForKey(kScanPageDown), CaretUpdate::Redraw);
  expectAt(8, 8, 0);
  EXPECT_EQ(moveCaretForKey(kScanPageDown), CaretUpdate::None);

  allocateCaptureStore();
  addRecords(100);
  EXPECT_EQ(moveCaretForKey(kScanPageDown), CaretUpdate::Redraw);
  expectAt(22, 22, 0);

  allocateCaptureStore();
  addRecords(22);
  EXPECT_EQ(moveCaretForKey(kScanPageDown), CaretUpdate::None);
  expectAt(0, 0, 0);
}

TEST_F(CaretNavigationTest, PageUpKeepsTheScreenRow) {
  addRecords(100);
  at(30, 35, 7);
  EXPECT_EQ(moveCaretForKey(kScanPageUp), CaretUpdate::Redraw);
  expectAt(8, 13, 0);
  at(10, 15, 7);
  EXPECT_EQ(moveCaretForKey(kScanPageUp), CaretUpdate::Redraw);
  expectAt(0, 5, 0);
  at(0, 5, 7);
  EXPECT_EQ(moveCaretForKey(kScanPageUp), CaretUpdate::None);
  expectAt(0, 5, 7);
}

TEST_F(CaretNavigationTest, KeysAreToldApartByTheLowSevenBitsOfTheFlags) {
  EXPECT_EQ(scanCodeFromKeyFlags(0x48), kScanUp);
  EXPECT_EQ(scanCodeFromKeyFlags(0x0148), kScanUp) << "extended cursor key";
  EXPECT_EQ(scanCodeFromKeyFlags(0xC051), kScanPageDown) << "repeat and transition bits";
  EXPECT_EQ(scanCodeFromKeyFlags(0xCB), kScanLeft) << "bit 7 is not part of the code";

  addRecords(30);
  // Keypad 2, 6, 3, 9, 4, 8 share the codes of Down, Right, PgDn, PgUp, Left, Up.
  moveCaretForKey(scanCodeFromKeyFlags(0x50));
  expectAt(0, 1, 0);
  moveCaretForKey(scanCodeFromKeyFlags(0x4D));
  expectAt(0, 1, 1);
  moveCaretForKey(scanCodeFromKeyFlags(0x51));
  expectAt(8, 8, 0);
  moveCaretForKey(scanCodeFromKeyFlags(0x49));
  expectAt(0, 0, 0);
  moveCaretForKey(scanCodeFromKeyFlags(0x4D));
  moveCaretForKey(scanCodeFromKeyFlags(0x4B));
  expectAt(0, 0, 0);
  moveCaretForKey(scanCodeFromKeyFlags(0x50));
  moveCaretForKey(scanCodeFromKeyFlags(0x48));
  expectAt(0, 0, 0);
}

TEST_F(CaretNavigationTest, OtherKeysDoNothing) {
  addRecords(30);
  at(3, 5, 6);
  for (unsigned key : {0x47u, 0x4Fu, 0x1Cu, 0x39u, 0x52u, 0x00u}) {
    EXPECT_EQ(moveCaretForKey(key), CaretUpdate::None) << key;
  }
  expectAt(3, 5, 6);
}

TEST_F(CaretNavigationTest, RowWidthIsThreeCellsPerByteAfterTwentyEight) {
  addRecord(0, 1, {1});
  addRecord(0, 1, std::vector<std::uint8_t>(16, 1));
  EXPECT_EQ(rowWidthCells(0), 31);
  EXPECT_EQ(rowWidthCells(1), 76);
  EXPECT_EQ(rowWidthCells(2), 28) << "no record there";
}

}  // namespace
