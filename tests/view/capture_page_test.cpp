#include "view/capture_page.h"

#include <string>

#include "tests/view/capture_fixture.h"

namespace {

class CapturePageTest : public CaptureFixture {
 protected:
  const CapturePage& layout() {
    layoutCapturePage(page_);
    return page_;
  }
  static std::string labelOf(const PageRow& row) {
    return std::string(reinterpret_cast<const char*>(row.label), 8);
  }
  static std::string hexOf(const PageRow& row) {
    return std::string(row.hex, static_cast<std::size_t>(row.hexLength));
  }

 private:
  CapturePage page_;
};

TEST_F(CapturePageTest, EmptyCaptureHasNoRows) {
  EXPECT_EQ(layout().rowCount, 0);
  EXPECT_FALSE(layout().formatError);
}

TEST_F(CapturePageTest, TopRowAtOrBeyondTheRecordsShowsNothing) {
  addRecords(3);
  monitorState.topRow = 3;
  EXPECT_EQ(layout().rowCount, 0);
  monitorState.topRow = 40;
  EXPECT_EQ(layout().rowCount, 0);
  monitorState.topRow = -1;
  EXPECT_EQ(layout().rowCount, 0);
}

TEST_F(CapturePageTest, PageShowsAtMostTwentyTwoRowsFromTopRow) {
  addRecords(30);
  EXPECT_EQ(layout().rowCount, 22);
  EXPECT_EQ(layout().rows[21].y, 21 * 18);
  monitorState.topRow = 25;
  const CapturePage& page = layout();
  ASSERT_EQ(page.rowCount, 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(page.rows[static_cast<std::size_t>(i)].y, 18 * i);
  EXPECT_EQ(labelOf(page.rows[0]), "000026: ") << "record 25 on the first row";
  EXPECT_EQ(labelOf(page.rows[4]), "000030: ");
}

TEST_F(CapturePageTest, LabelShowsOnTheFirstRowOfEachTickOnly) {
  addRecord(0, 5, std::vector<std::uint8_t>(40, 0x41));  // three records, one tick
  addRecord(0, 6, {0x42});
  const CapturePage& page = layout();
  ASSERT_EQ(page.rowCount, 4);
  EXPECT_TRUE(page.rows[0].showsLabel);
  EXPECT_EQ(labelOf(page.rows[0]), "000005: ");
  EXPECT_FALSE(page.rows[1].showsLabel);
  EXPECT_FALSE(page.rows[2].showsLabel);
  EXPECT_TRUE(page.rows[3].showsLabel);

  monitorState.topRow = 1;
  const CapturePage& later = layout();
  EXPECT_TRUE(later.rows[0].showsLabel) << "every page starts with a label";
  EXPECT_FALSE(later.rows[1].showsLabel);
}

TEST_F(CapturePageTest, PortsSetTheirColourWhenTheTagChanges) {
  addRecord(0, 1, {0x41});
  addRecord(1, 1, {0x42});
  addRecord(1, 2, {0x43});
  addRecord(0, 2, {0x44});
  const CapturePage& page = layout();
  ASSERT_EQ(page.rowCount, 4);
  EXPECT_TRUE(page.rows[0].setsTextColor);
  EXPECT_EQ(page.rows[0].textColor, RGB(0, 0, 0));
  EXPECT_TRUE(page.rows[1].setsTextColor);
  EXPECT_EQ(page.rows[1].textColor, RGB(192, 0, 0));
  EXPECT_FALSE(page.rows[1].showsLabel) << "port B after port A of the same tick";
  EXPECT_FALSE(page.rows[2].setsTextColor) << "same tag as the row before";
  EXPECT_TRUE(page.rows[3].setsTextColor);
  EXPECT_EQ(page.rows[3].textColor, RGB(0, 0, 0));
}

TEST_F(CapturePageTest, UnknownTagsKeepTheColourOfTheRowAbove) {
  addRawRecord(1, 0, "000001: ");
  addRecord(1, 2, {0x42});
  addRawRecord(1, 3, "000003: ");
  const CapturePage& page = layout();
  ASSERT_EQ(page.rowCount, 3);
  EXPECT_FALSE(page.rows[0].setsTextColor) << "first row with tag 0 stays black";
  EXPECT_TRUE(page.rows[1].setsTextColor);
  EXPECT_FALSE(page.rows[2].setsTextColor) << "tag 3 stays dark red";
}

TEST_F(CapturePageTest, DataAndHexColumnsCarryTheBytesUnchanged) {
  addRecord(0, 1, {0x0D, 0x0A, 0x00, 0xFF, 0x41});
  const CapturePage& page = layout();
  ASSERT_EQ(page.rowCount, 1);
  const PageRow& row = page.rows[0];
  ASSERT_EQ(row.dataLength, 5);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(row.data), 5),
            std::string("\x0D\x0A\x00\xFF\x41", 5));
  EXPECT_EQ(hexOf(row), " 0d 0a 00 ff 41");
}

TEST_F(CapturePageTest, FullRecordHasFortyEightHexCharacters) {
  std::vector<std::uint8_t> data(16);
  for (std::size_t i = 0; i < 16; ++i) data[i] = static_cast<std::uint8_t>(0xF0 + i);
  addRecord(1, 1, data);
  EXPECT_EQ(hexOf(layout().rows[0]), " f0 f1 f2 f3 f4 f5 f6 f7 f8 f9 fa fb fc fd fe ff");
}

TEST_F(CapturePageTest, RecordOfLengthZeroShowsOnlyItsLabel) {
  addRawRecord(0, 1, "000009: ");
  const CapturePage& page = layout();
  ASSERT_EQ(page.rowCount, 1);
  EXPECT_TRUE(page.rows[0].showsLabel);
  EXPECT_EQ(page.rows[0].dataLength, 0);
  EXPECT_EQ(page.rows[0].hexLength, 0);
}

TEST_F(CapturePageTest, IncompleteSlotEndsThePage) {
  addRecords(5);
  RecordIndex[2].complete = 0;
  const CapturePage& page = layout();
  EXPECT_EQ(page.rowCount, 2);
  EXPECT_FALSE(page.formatError);
}

TEST_F(CapturePageTest, LengthFrom17To127OnThePageIsAFormatError) {
  for (int length : {17, 127}) {
    SCOPED_TRACE(length);
    allocateCaptureStore();
    addRecords(3);
    addRawRecord(static_cast<std::uint8_t>(length), 1, "000004: ");
    addRecords(2);
    const CapturePage& page = layout();
    EXPECT_TRUE(page.formatError);
    EXPECT_EQ(page.rowCount, 3) << "the rows above are laid out";
  }
}

TEST_F(CapturePageTest, BadRecordOffThePageIsNoError) {
  addRawRecord(17, 1, "000001: ");
  addRecords(30);
  monitorState.topRow = 1;
  EXPECT_FALSE(layout().formatError) << "above the page";
  allocateCaptureStore();
  addRecords(22);
  addRawRecord(40, 1, "000099: ");
  monitorState.topRow = 0;
  EXPECT_FALSE(layout().formatError) << "below the page";
  EXPECT_EQ(layout().rowCount, 22);
}

TEST_F(CapturePageTest, LengthOf128OrMoreEndsThePage) {
  addRecords(2);
  addRawRecord(0x80, 1, "000003: ");
  addRawRecord(0xFF, 1, "000004: ");
  addRecords(1);
  const CapturePage& page = layout();
  EXPECT_EQ(page.rowCount, 2);
  EXPECT_FALSE(page.formatError);
}

}  // namespace
