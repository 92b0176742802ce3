#include <string>

#include "tests/view/view_fixture.h"

namespace {

using headless::DrawOp;

class DrawCaptureTest : public ViewFixture {};

const platform::LogFont kDisplayFont{18, 8, 0, 0, 400, 0, 0, 0, 186, 0, 1, 0, 49, "Terminal"};

TEST_F(DrawCaptureTest, EmptyCaptureIsAWhiteAreaWithTheCaretAtTheOrigin) {
  start();
  view.DrawCapture();
  const auto& ops = ws().drawOps();
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0].kind, DrawOp::Kind::Fill);
  EXPECT_EQ(ops[0].rect, (CRect{0, 0, 704, 441}));
  EXPECT_EQ(ops[0].color, RGB(255, 255, 255));
  EXPECT_EQ(ws().caret().x, 0);
  EXPECT_EQ(ws().caret().y, 0);
  EXPECT_TRUE(ws().caret().visible());
  EXPECT_EQ(ws().caret().blinkTimeMs, 300u);
}

TEST_F(DrawCaptureTest, PageShowsLabelsCharactersAndHexInThePortColours) {
  start();
  addRecord(0, 5, std::vector<std::uint8_t>(20, 0x41));  // 16 + 4, one tick
  addRecord(1, 5, {0x0D, 0x0A});
  addRecord(0, 6, {0x7E});
  monitorState.caretRow = 3;
  monitorState.caretCol = 2;
  view.DrawCapture();

  struct Expected {
    int x, y;
    COLORREF color;
    std::string bytes;
  };
  const COLORREF black = RGB(0, 0, 0);
  const COLORREF red = RGB(192, 0, 0);
  std::string hex16;
  for (int i = 0; i < 16; ++i) hex16 += " 41";
  const std::vector<Expected> expected = {
      {0, 0, black, "000005: "}, {64, 0, black, std::string(16, 'A')}, {224, 0, black, hex16},
      {64, 18, black, "AAAA"},   {224, 18, black, " 41 41 41 41"},     {64, 36, red, "\r\n"},
      {224, 36, red, " 0d 0a"},  {0, 54, black, "000006: "},           {64, 54, black, "~"},
      {224, 54, black, " 7e"},
  };
  const auto texts = ws().textOps();
  ASSERT_EQ(texts.size(), expected.size());
  for (std::size_t i = 0; i < texts.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(texts[i].x, expected[i].x);
    EXPECT_EQ(texts[i].y, expected[i].y);
    EXPECT_EQ(texts[i].color, expected[i].color);
    EXPECT_EQ(texts[i].bytes, expected[i].bytes);
    EXPECT_EQ(texts[i].font, kDisplayFont);
  }
  EXPECT_EQ(ws().caret().x, 16);
  EXPECT_EQ(ws().caret().y, 54);
  EXPECT_TRUE(ws().caret().visible());
}

TEST_F(DrawCaptureTest, CaretRowIsCountedFromTheTopRow) {
  start();
  addRecords(30);
  monitorState.topRow = 25;
  monitorState.caretRow = 27;
  monitorState.caretCol = 31;
  view.DrawCapture();
  EXPECT_EQ(ws().caret().x, 248);
  EXPECT_EQ(ws().caret().y, 36);
  EXPECT_EQ(textsAt(4 * 18).size(), 3u);
  EXPECT_TRUE(textsAt(5 * 18).empty()) << "rows 25 to 29 only";
}

TEST_F(DrawCaptureTest, EveryDrawSetsTheBlinkTimeAndLeavesTheCaretShown) {
  start();
  SetCaretBlinkTime(530);
  view.DrawCapture();
  EXPECT_EQ(ws().caret().blinkTimeMs, 300u);
  view.DrawCapture();
  EXPECT_TRUE(ws().caret().visible()) << "each hide is matched by a show";
}

TEST_F(DrawCaptureTest, PaintRepaintsTheWholePage) {
  start();
  addRecords(3);
  view.DispatchPaint();
  EXPECT_EQ(ws().drawCount(), 2) << "the paint bracket and the drawing context";
  EXPECT_EQ(ws().textOps().size(), 9u);
}

TEST_F(DrawCaptureTest, IncompleteSlotEndsThePageDrawn) {
  start();
  addRecords(5);
  RecordIndex[2].complete = 0;
  view.DrawCapture();
  EXPECT_EQ(ws().textOps().size(), 6u);
  EXPECT_TRUE(ws().caret().visible());
}

TEST_F(DrawCaptureTest, RecordTooLongToDrawStopsTheTimerAndEndsWithFailure) {
  start();
  ASSERT_TRUE(ws().timerPeriod(view.m_hWnd, 1).has_value());
  addRecords(2);
  addRawRecord(17, 1, "000003: ");
  std::size_t timersDuringBox = 99;
  ws().setMessageBoxHandler([&](const platform::MessageBoxRequest&) {
    timersDuringBox = ws().runningTimerCount();
    return IDOK;
  });
  try {
    view.DrawCapture();
    FAIL() << "the process goes on";
  } catch (const headless::ProcessExit& exit) {
    EXPECT_NE(exit.status, 0);
  }
  ASSERT_EQ(boxes().size(), 1u);
  EXPECT_EQ(boxes()[0].text, "Data Format error....(Check display type) ");
  EXPECT_EQ(boxes()[0].caption, "Error");
  EXPECT_EQ(boxes()[0].style, 16u);
  EXPECT_EQ(boxes()[0].owner, view.m_hWnd);
  EXPECT_EQ(timersDuringBox, 0u);
  EXPECT_EQ(ws().textOps().size(), 6u) << "the two rows above were drawn";
}

TEST_F(DrawCaptureTest, TheFormatErrorGivesTheOpenPortsBackBeforeTheProcessEnds) {
  start();
  connectAndSettle();
  ASSERT_EQ(monitorState.connected, 1);
  ASSERT_TRUE(comm.isOpen(kPortA) && comm.isOpen(kPortB));
  addRecords(2);
  addRawRecord(17, 1, "000003: ");
  testing::internal::CaptureStderr();
  EXPECT_THROW(view.DrawCapture(), headless::ProcessExit);
  const std::string told = testing::internal::GetCapturedStderr();
  EXPECT_FALSE(comm.isOpen(kPortA)) << "left raw and held for the next user";
  EXPECT_FALSE(comm.isOpen(kPortB));
  EXPECT_NE(told.find("PORT A COM3: "), std::string::npos) << "what each port received: " << told;
}

TEST_F(DrawCaptureTest, LengthOf128OrMoreEndsThePageWithoutAnError) {
  start();
  addRecords(1);
  addRawRecord(200, 1, "000002: ");
  view.DrawCapture();
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(ws().textOps().size(), 3u);
}

}  // namespace
