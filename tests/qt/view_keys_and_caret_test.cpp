#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QTest>
#include <QWheelEvent>

#include "platform/framework/cdc.h"
#include "platform/qt/qt_view_widget.h"
#include "qt_test_support.h"

using qt_test::countColour;
using qt_test::countInk;
using qt_test::FrameAndView;
using qt_test::qtSystem;

namespace {

constexpr QRgb kBlack = 0xFF000000;

class QtViewInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    windows.frame.ShowWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view()));
  }
  void TearDown() override { DestroyCaret(); }

  platform::qt::QtViewWidget* view() { return qtSystem().view(windows.view.m_hWnd); }
  QImage grab() { return view()->grab().toImage().convertToFormat(QImage::Format_RGB32); }

  void sendNative(int key, Qt::KeyboardModifiers modifiers, quint32 native, bool repeat = false) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, native, 0, 0, QString(), repeat);
    QApplication::sendEvent(view(), &press);
  }

  FrameAndView windows;
};

TEST_F(QtViewInputTest, NativeCodesOfUpAndKeypadEightBothGiveScanCode48) {
  sendNative(Qt::Key_Up, Qt::NoModifier, 103 + 8);
  sendNative(Qt::Key_8, Qt::KeypadModifier, 72 + 8);
  sendNative(Qt::Key_Up, Qt::KeypadModifier, 72 + 8);  // Num Lock off
  ASSERT_EQ(windows.view.keys.size(), 3u);
  for (const auto& key : windows.view.keys) {
    EXPECT_EQ(key.flags & 0xFF, 0x48u);
    EXPECT_EQ(key.repeat, 1u);
  }
  EXPECT_EQ(windows.view.keys[0].flags, 0x148u) << "the cursor block is extended";
  EXPECT_EQ(windows.view.keys[1].flags, 0x48u);
  EXPECT_EQ(windows.view.keys[0].nChar, 0x26u);
  EXPECT_EQ(windows.view.keys[1].nChar, 0x68u);
}

TEST_F(QtViewInputTest, EachWheelNotchIsOnePressOfUpOrDown) {
  auto turn = [this](int delta) {
    const QPointF at(10, 10);
    QWheelEvent wheel(at, view()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view(), &wheel);
  };
  turn(120);   // away from the user
  turn(-240);  // two notches towards
  turn(60);    // half a notch: no key yet
  ASSERT_EQ(windows.view.keys.size(), 3u);
  EXPECT_EQ(windows.view.keys[0].flags, 0x148u) << "Up of the cursor block";
  EXPECT_EQ(windows.view.keys[1].flags, 0x150u) << "Down of the cursor block";
  EXPECT_EQ(windows.view.keys[2].flags, 0x150u);
  EXPECT_EQ(windows.view.keys[0].nChar, 0x26u);
  EXPECT_EQ(windows.view.keys[1].nChar, 0x28u);
}

TEST(QtViewFocus, TheViewIsTheFramesFocusWidgetBeforeAnyActivation) {
  // Without a window manager a frame may never be activated, and then only
  // a focus widget chosen up front receives the keys typed into the frame.
  FrameAndView windows;
  platform::qt::QtViewWidget* view = qtSystem().view(windows.view.m_hWnd);
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->window()->focusWidget(), view);
}

TEST_F(QtViewInputTest, WithoutNativeCodesTheQtKeyAndKeypadFlagGiveTheCode) {
  QTest::keyClick(view(), Qt::Key_Up);
  QTest::keyClick(view(), Qt::Key_8, Qt::KeypadModifier);
  QTest::keyClick(view(), Qt::Key_2, Qt::KeypadModifier);
  QTest::keyClick(view(), Qt::Key_Down);
  QTest::keyClick(view(), Qt::Key_9, Qt::KeypadModifier);
  QTest::keyClick(view(), Qt::Key_PageDown);
  QTest::keyClick(view(), Qt::Key_8);  // the main block's 8 is another key
  std::vector<UINT> codes;
  for (const auto& key : windows.view.keys) codes.push_back(key.flags & 0x7F);
  EXPECT_EQ(codes, (std::vector<UINT>{0x48, 0x48, 0x50, 0x50, 0x49, 0x51, 0x09}));
}

TEST_F(QtViewInputTest, AHeldKeyGivesOneKeyDownPerRepeatWithTheRepeatBit) {
  sendNative(Qt::Key_Down, Qt::NoModifier, 108 + 8);
  sendNative(Qt::Key_Down, Qt::NoModifier, 108 + 8, true);
  sendNative(Qt::Key_Down, Qt::NoModifier, 108 + 8, true);
  ASSERT_EQ(windows.view.keys.size(), 3u);
  EXPECT_EQ(windows.view.keys[0].flags, 0x150u);
  EXPECT_EQ(windows.view.keys[1].flags, 0x4150u);
  EXPECT_EQ(windows.view.keys[2].repeat, 1u);
}

TEST_F(QtViewInputTest, TabIsAKeyOfTheView) {
  QTest::keyClick(view(), Qt::Key_Tab);
  ASSERT_EQ(windows.view.keys.size(), 1u);
  EXPECT_EQ(windows.view.keys[0].flags & 0xFF, 0x0Fu);
}

TEST_F(QtViewInputTest, TheCaretIsAnInvertedBlockWhereItWasPut) {
  {
    CClientDC dc(&windows.view);
    dc.FillSolidRect(CRect{0, 0, 704, 441}, RGB(255, 255, 255));
  }
  windows.view.CreateSolidCaret(8, 18);
  CWnd::SetCaretPos({24, 36});
  EXPECT_EQ(countInk(grab(), QRect(0, 0, 704, 100)), 0) << "a new caret is hidden";

  windows.view.ShowCaret();
  QImage image = grab();
  EXPECT_EQ(countColour(image, QRect(24, 36, 8, 18), kBlack), 8 * 18);
  EXPECT_EQ(countInk(image, image.rect()), 8 * 18);

  CWnd::SetCaretPos({64, 0});
  image = grab();
  EXPECT_EQ(countColour(image, QRect(64, 0, 8, 18), kBlack), 8 * 18);
  EXPECT_EQ(countInk(image, QRect(24, 36, 8, 18)), 0) << "the old place is clean";

  windows.view.HideCaret();
  windows.view.HideCaret();
  windows.view.ShowCaret();
  EXPECT_EQ(countInk(grab(), QRect(0, 0, 704, 100)), 0) << "two hides need two shows";
  windows.view.ShowCaret();
  EXPECT_EQ(countColour(grab(), QRect(64, 0, 8, 18), kBlack), 8 * 18);
}

TEST_F(QtViewInputTest, TheCaretInvertsTheTextUnderIt) {
  CFont font;
  font.CreateFont(18, 8, 0, 0, 400, 0, 0, 0, 186, 0, 1, 0, 49, "Terminal");
  {
    CClientDC dc(&windows.view);
    dc.FillSolidRect(CRect{0, 0, 704, 441}, RGB(255, 255, 255));
    dc.SelectObject(&font);
    dc.ExtTextOut(0, 0, "H", 1);
  }
  const int textInk = countColour(grab(), QRect(0, 0, 8, 18), kBlack);
  ASSERT_GT(textInk, 0);
  windows.view.CreateSolidCaret(8, 18);
  CWnd::SetCaretPos({0, 0});
  windows.view.ShowCaret();
  const QImage image = grab();
  EXPECT_EQ(countColour(image, QRect(0, 0, 8, 18), kBlack), 8 * 18 - textInk);
  EXPECT_EQ(countColour(image, QRect(0, 0, 8, 18), 0xFFFFFFFF), textInk);
  EXPECT_EQ(view()->image().pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu) << "the image keeps no caret";
}

TEST_F(QtViewInputTest, TheCaretBlinksAtItsBlinkTimeRepaintingOnlyItsCell) {
  windows.view.CreateSolidCaret(8, 18);
  CWnd::SetCaretPos({80, 90});
  SetCaretBlinkTime(30);
  windows.view.ShowCaret();
  EXPECT_TRUE(view()->caretBlinkOn());
  QTest::qWait(50);
  struct Spy : QObject {
    std::vector<QRect> painted;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) {
        painted.push_back(static_cast<QPaintEvent*>(event)->rect());
      }
      return false;
    }
  } spy;
  view()->installEventFilter(&spy);
  bool sawOff = false;
  bool sawOn = false;
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        (view()->caretBlinkOn() ? sawOn : sawOff) = true;
        return sawOn && sawOff && spy.painted.size() >= 2;
      },
      3000));
  view()->removeEventFilter(&spy);
  for (const QRect& rect : spy.painted) EXPECT_EQ(rect, QRect(80, 90, 8, 18));
  windows.view.HideCaret();
  EXPECT_FALSE(view()->caretBlinkOn());
  EXPECT_TRUE(view()->shownCaretRect().isEmpty());
}

TEST_F(QtViewInputTest, ACaretMadeByAnotherWindowLeavesThisOne) {
  windows.view.CreateSolidCaret(8, 18);
  windows.view.ShowCaret();
  EXPECT_FALSE(view()->shownCaretRect().isEmpty());
  qt_test::RecordingWnd other;
  other.CreateNative(platform::WindowKind::View, nullptr, CREATESTRUCT{});
  other.CreateSolidCaret(8, 18);
  EXPECT_TRUE(view()->shownCaretRect().isEmpty());
  other.DestroyWindow();
}

}  // namespace
