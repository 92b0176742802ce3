#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "platform/framework/cdc.h"
#include "platform/qt/qt_view_widget.h"
#include "qt_test_support.h"

using qt_test::countColour;
using qt_test::countInk;
using qt_test::FrameAndView;
using qt_test::qtSystem;

namespace {

constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kDarkRed = 0xFFC00000;
constexpr QRgb kWhite = 0xFFFFFFFF;

// Records the regions that reach the screen.
class PaintSpy : public QObject {
 public:
  explicit PaintSpy(QWidget* widget) { widget->installEventFilter(this); }
  std::vector<QRegion> regions;

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint)
      regions.push_back(static_cast<QPaintEvent*>(event)->region());
    return false;
  }
};

class QtViewDrawingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    font.CreateFont(18, 8, 0, 0, 400, 0, 0, 0, 186, 0, 1, 0, 49, "Terminal");
    windows.frame.ShowWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view()));
  }

  platform::qt::QtViewWidget* view() { return qtSystem().view(windows.view.m_hWnd); }

  // Draws a row as the dump does: label, characters, hexadecimal.
  void drawRow(CDC& dc, int row, COLORREF color, const std::string& label, const std::string& data,
               const std::string& hex) {
    dc.SetTextColor(color);
    dc.ExtTextOut(0, 18 * row, label.data(), static_cast<int>(label.size()));
    dc.ExtTextOut(64, 18 * row, data.data(), static_cast<int>(data.size()));
    dc.ExtTextOut(224, 18 * row, hex.data(), static_cast<int>(hex.size()));
  }

  FrameAndView windows;
  CFont font;
};

TEST_F(QtViewDrawingTest, ClientDrawingShowsBlackAndDarkRedTextInItsCellsOnWhite) {
  {
    CClientDC dc(&windows.view);
    CRect client;
    windows.view.GetClientRect(&client);
    dc.FillSolidRect(client, RGB(255, 255, 255));
    dc.SelectObject(&font);
    drawRow(dc, 0, RGB(0, 0, 0), "000001: ", "AB", " 41 42");
    drawRow(dc, 1, RGB(192, 0, 0), "000002: ", "\x0d\x0a", " 0d 0a");
  }
  const QImage grab = view()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_GE(grab.height(), 36);

  // Row 0 in black: label cells 0..7 ("000001:" inked, the blank not),
  // characters at cell 8, hexadecimal from cell 28.
  for (int cell : {0, 5, 6, 8, 9, 29, 30, 32, 33}) {
    const QRect box(8 * cell, 0, 8, 18);
    EXPECT_GT(countColour(grab, box, kBlack), 0) << "row 0 cell " << cell;
    EXPECT_EQ(countColour(grab, box, kBlack), countInk(grab, box)) << "row 0 cell " << cell;
  }
  for (int cell : {7, 10, 27, 28, 31, 34}) {
    EXPECT_EQ(countInk(grab, QRect(8 * cell, 0, 8, 18)), 0) << "row 0 cell " << cell;
  }
  // Row 1 in dark red, the line-break bytes as glyphs in cells 8 and 9.
  for (int cell : {0, 6, 8, 9, 29, 30, 32, 33}) {
    const QRect box(8 * cell, 18, 8, 18);
    EXPECT_GT(countColour(grab, box, kDarkRed), 0) << "row 1 cell " << cell;
    EXPECT_EQ(countColour(grab, box, kDarkRed), countInk(grab, box)) << "row 1 cell " << cell;
  }
  // Everything else is white.
  EXPECT_EQ(countInk(grab, QRect(0, 36, grab.width(), grab.height() - 36)), 0);
  EXPECT_EQ(countInk(grab, QRect(8 * 34, 0, grab.width() - 8 * 34, 36)), 0);
}

TEST_F(QtViewDrawingTest, ThePaintHandlerRunsWhenInvalidatedNotForDrawingOrTheCaret) {
  QTest::qWait(50);
  const int paintsAfterShow = windows.view.paints;
  EXPECT_GE(paintsAfterShow, 1) << "a new window is painted once";
  EXPECT_FALSE(view()->paintPending());
  {
    CClientDC dc(&windows.view);
    dc.FillSolidRect(CRect{0, 0, 100, 18}, RGB(0, 0, 0));
  }
  windows.view.CreateSolidCaret(8, 18);
  windows.view.ShowCaret();
  QTest::qWait(50);
  EXPECT_EQ(windows.view.paints, paintsAfterShow);

  windows.view.Invalidate();
  EXPECT_TRUE(QTest::qWaitFor([&] { return windows.view.paints == paintsAfterShow + 1; }, 2000));
  QTest::qWait(50);
  EXPECT_EQ(windows.view.paints, paintsAfterShow + 1) << "one paint, no repaint loop";
  DestroyCaret();
}

TEST_F(QtViewDrawingTest, DrawingInsideThePaintHandlerReachesTheScreen) {
  windows.view.onPaint = [&] {
    CClientDC dc(&windows.view);
    dc.FillSolidRect(CRect{0, 0, 704, 441}, RGB(255, 255, 255));
    dc.SelectObject(&font);
    dc.ExtTextOut(64, 36, "X", 1);
  };
  windows.view.Invalidate();
  const QImage grab = view()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_GT(countColour(grab, QRect(64, 36, 8, 18), kBlack), 0);
  EXPECT_EQ(countInk(grab, grab.rect()), countInk(grab, QRect(64, 36, 8, 18)));
}

TEST_F(QtViewDrawingTest, OnlyTheTouchedPartIsFlushedAndAtMostOncePerFrame) {
  QTest::qWait(50);
  view()->setFrameIntervalMs(60 * 1000);  // a frame that never ends within the test
  view()->flushNow();
  PaintSpy spy(view());
  const int flushesBefore = view()->flushCount();
  for (int i = 0; i < 10; ++i) {
    CClientDC dc(&windows.view);
    dc.SelectObject(&font);
    dc.ExtTextOut(64, 18 * 3, "ABCD", 4);
    QApplication::processEvents();
  }
  EXPECT_LE(view()->flushCount(), flushesBefore + 1) << "drawings within one frame gather";
  view()->flushNow();
  QApplication::processEvents();
  ASSERT_FALSE(spy.regions.empty());
  QRegion painted;
  for (const auto& region : spy.regions) painted += region;
  EXPECT_EQ(painted.boundingRect(), QRect(64, 54, 32, 18));
}

TEST_F(QtViewDrawingTest, AResizedViewKeepsItsImageAndIsPaintedAgain) {
  {
    CClientDC dc(&windows.view);
    dc.FillSolidRect(CRect{0, 0, 10, 10}, RGB(0, 0, 0));
  }
  const int paints = windows.view.paints;
  view()->resize(300, 200);
  CRect client;
  windows.view.GetClientRect(&client);
  EXPECT_EQ(client, (CRect{0, 0, 300, 200}));
  EXPECT_EQ(view()->image().pixel(5, 5), kBlack);
  EXPECT_EQ(view()->image().pixel(299, 199), kWhite);
  EXPECT_TRUE(QTest::qWaitFor([&] { return windows.view.paints > paints; }, 2000));
}

TEST_F(QtViewDrawingTest, DrawingWaitsForTheScreenUpdateYetAnyGrabShowsTheLatest) {
  QTest::qWait(50);
  view()->setFrameIntervalMs(60 * 1000);  // no screen update within the test
  view()->flushNow();
  QApplication::processEvents();
  for (int redraw = 0; redraw < 50; ++redraw) {
    CClientDC dc(&windows.view);
    dc.FillSolidRect(CRect{0, 0, 720, 500}, RGB(255, 255, 255));
    dc.SelectObject(&font);
    drawRow(dc, redraw % 2, redraw % 2 == 0 ? RGB(0, 0, 0) : RGB(192, 0, 0),
            "000001: ", "ABCDEFGHIJKLMNOP", std::string(48, 'x'));
  }
  EXPECT_EQ(view()->drawList().size(), 4u) << "only the last page is kept";
  // The last page drew row 1 in dark red; row 0 of earlier pages is gone.
  const QImage grab = view()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(countInk(grab, QRect(0, 0, 720, 18)), 0);
  EXPECT_GT(countColour(grab, QRect(0, 18, 608, 18), kDarkRed), 0);
  EXPECT_EQ(countColour(grab, QRect(0, 18, 608, 18), kDarkRed), countInk(grab, grab.rect()));
  EXPECT_TRUE(view()->drawList().empty());
  EXPECT_EQ(view()->image().copy(grab.rect()), grab);
}

TEST_F(QtViewDrawingTest, ARedrawnPageUpdatesOnlyTheCellsThatDiffer) {
  QTest::qWait(50);
  view()->setFrameIntervalMs(60 * 1000);
  auto drawPage = [&](const std::string& data) {
    CClientDC dc(&windows.view);
    CRect client;
    windows.view.GetClientRect(&client);
    dc.FillSolidRect(client, RGB(255, 255, 255));
    dc.SelectObject(&font);
    drawRow(dc, 0, RGB(0, 0, 0), "000001: ", data, " 41 42");
  };
  drawPage("AB");
  view()->flushNow();
  QApplication::processEvents();
  PaintSpy spy(view());
  drawPage("AB");
  view()->flushNow();
  QApplication::processEvents();
  EXPECT_TRUE(spy.regions.empty()) << "the same page again puts nothing on the screen";
  drawPage("AC");
  view()->flushNow();
  QApplication::processEvents();
  QRegion painted;
  for (const auto& region : spy.regions) painted += region;
  EXPECT_EQ(painted, QRegion(72, 0, 8, 18));
  const QImage grab = view()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  EXPECT_NE(grab.copy(72, 0, 8, 18), grab.copy(64, 0, 8, 18)) << "C no longer looks like A";
  EXPECT_GT(countColour(grab, QRect(72, 0, 8, 18), kBlack), 0);
}

TEST_F(QtViewDrawingTest, TheScreenShowsTheDrawingAtTheViewsPlaceInTheWindow) {
  // The screen's own copy of the window, not a fresh rendering of the view:
  // what the flush really put there. The view is moved off the window's
  // corner, as a menu bar above it would place it.
  QTest::qWait(50);
  view()->move(10, 20);
  QApplication::processEvents();
  {
    CClientDC dc(&windows.view);
    dc.FillSolidRect(CRect{0, 0, 720, 500}, RGB(255, 255, 255));
    dc.SelectObject(&font);
    drawRow(dc, 1, RGB(192, 0, 0), "000001: ", "ABCDEFGHIJKLMNOP", std::string(48, 'x'));
  }
  view()->flushNow();
  QApplication::processEvents();
  QWidget* window = view()->window();
  const QPoint origin = view()->mapTo(window, QPoint(0, 0));
  const QImage screen = QGuiApplication::primaryScreen()
                            ->grabWindow(window->winId())
                            .toImage()
                            .convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(origin, QPoint(10, 20));
  ASSERT_GE(screen.height(), origin.y() + 36);
  const QRect row = QRect(0, 18, 608, 18).translated(origin);
  EXPECT_GT(countColour(screen, row, kDarkRed), 100);
  EXPECT_EQ(countColour(screen, row, kDarkRed), countInk(screen, row));
  EXPECT_EQ(countInk(screen, QRect(0, 0, 720, 18).translated(origin)), 0);
  EXPECT_EQ(screen.copy(row), view()->image().copy(0, 18, 608, 18));
}

TEST_F(QtViewDrawingTest, AWindowWhoseScreenIsNeverUpdatedKeepsNoLongList) {
  view()->setFrameIntervalMs(60 * 1000);
  view()->flushNow();
  QApplication::processEvents();
  const auto many = platform::qt::DrawList::kMaxOperations + 10;
  for (std::size_t i = 0; i < many; ++i) {
    CClientDC dc(&windows.view);
    dc.SelectObject(&font);
    dc.ExtTextOut(8 * static_cast<int>(i % 80), 18 * static_cast<int>(i / 80 % 20), "A", 1);
  }
  EXPECT_LT(view()->drawList().size(), platform::qt::DrawList::kMaxOperations);
  EXPECT_GT(countColour(view()->image(), QRect(0, 0, 8, 18), kBlack), 0);
  EXPECT_GT(countColour(view()->image(), QRect(8 * 79, 18 * 19, 8, 18), kBlack), 0);
}

TEST_F(QtViewDrawingTest, DrawingOnAWindowWithoutAnImageDrawsNothing) {
  CClientDC dc(&windows.frame);
  dc.FillSolidRect(CRect{0, 0, 10, 10}, RGB(0, 0, 0));
  dc.ExtTextOut(0, 0, "A", 1);
  SUCCEED();
}

}  // namespace

namespace {

TEST_F(QtViewDrawingTest, AStreamOfRedrawsIsShownPacedAndAKeyBringsTheUpdateForward) {
  QTest::qWait(50);
  view()->setFrameIntervalMs(5);
  view()->setStreamingIntervalMs(200);
  view()->flushNow();
  QApplication::processEvents();
  const int flushesBefore = view()->flushCount();
  QElapsedTimer clock;
  clock.start();
  int redraw = 0;
  while (clock.elapsed() < 1000) {
    CClientDC dc(&windows.view);
    dc.FillSolidRect(CRect{0, 0, 720, 500}, RGB(255, 255, 255));
    dc.SelectObject(&font);
    const std::string label = std::to_string(100000 + redraw++) + ": ";
    drawRow(dc, 0, RGB(0, 0, 0), label, "ABCD", " 41 42 43 44");
    QTest::qWait(5);
  }
  const int flushes = view()->flushCount() - flushesBefore;
  EXPECT_GE(flushes, 3) << "the stream is shown while it runs";
  EXPECT_LE(flushes, 8) << redraw << " redraws in a second, paced at 200 ms";
  EXPECT_TRUE(view()->streaming());

  // Drawn just after a paced update, it would wait for the next one; a key
  // brings it forward.
  const int flushesInStream = view()->flushCount();
  ASSERT_TRUE(QTest::qWaitFor([&] { return view()->flushCount() > flushesInStream; }, 1000));
  {
    CClientDC dc(&windows.view);
    dc.SelectObject(&font);
    drawRow(dc, 2, RGB(192, 0, 0), "KEY: ", "", "");
  }
  const int flushesAtKey = view()->flushCount();
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier, 116, 0, 0);
  QApplication::sendEvent(view(), &press);
  clock.restart();
  EXPECT_TRUE(QTest::qWaitFor([&] { return view()->flushCount() > flushesAtKey; }, 1000));
  EXPECT_LT(clock.elapsed(), 150) << "shown within a frame or so, not at the stream's pace";
}

}  // namespace

namespace {

// A paint handler may open a box whose loop runs timers (a fatal message,
// say); a screen update that falls due meanwhile must not paint into the
// window while its paint is under way, and is shown after it.
TEST_F(QtViewDrawingTest, AScreenUpdateDueDuringAPaintHandlersOwnLoopWaitsForThatPaint) {
  QTest::qWait(50);
  view()->setFrameIntervalMs(1);
  bool handlerRan = false;
  bool inHandler = false;
  windows.view.onPaint = [&] {
    if (handlerRan) return;
    handlerRan = true;
    inHandler = true;
    // A tick inside the box's loop moves the caret: its cell falls due for
    // the screen while this paint is still under way.
    QTimer::singleShot(0, [&] {
      windows.view.CreateSolidCaret(8, 18);
      CWnd::SetCaretPos({8 * 5, 18 * 4});
      windows.view.ShowCaret();
    });
    QTest::qWait(80);
    inHandler = false;
  };
  struct Spy : QObject {
    bool* inHandler = nullptr;
    bool* handlerRan = nullptr;
    int nested = 0;
    QRegion paintedAfter;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() != QEvent::Paint) return false;
      if (*inHandler) {
        ++nested;
      } else if (*handlerRan) {
        paintedAfter += static_cast<QPaintEvent*>(event)->region();
      }
      return false;
    }
  } spy;
  spy.inHandler = &inHandler;
  spy.handlerRan = &handlerRan;
  view()->installEventFilter(&spy);
  windows.view.Invalidate();
  const QRect caretCell(40, 72, 8, 18);
  const bool shown = QTest::qWaitFor(
      [&] { return handlerRan && !inHandler && spy.paintedAfter.contains(caretCell); }, 3000);
  view()->removeEventFilter(&spy);
  windows.view.onPaint = nullptr;
  EXPECT_TRUE(shown) << "the caret's cell reaches the screen once the paint is over";
  EXPECT_EQ(spy.nested, 0) << "no paint inside the paint";
  EXPECT_EQ(view()->shownCaretRect(), caretCell);
}

}  // namespace
