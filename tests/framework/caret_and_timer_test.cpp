#include <gtest/gtest.h>

#include "platform/framework/cdc.h"
#include "platform/framework/cwnd.h"
#include "platform/headless/headless_window_system.h"

namespace {

class TickCounter : public CWnd {
 public:
  int ticks = 0;

 protected:
  void OnTimer(UINT_PTR) override { ++ticks; }
};

class FrameworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::system().reset();
    resetCaretForTests();
  }
};

TEST_F(FrameworkTest, CaretIsCreatedHiddenAndShowsAfterOneShow) {
  TickCounter wnd;
  ASSERT_TRUE(wnd.CreateNative(platform::WindowKind::View, nullptr, {}));
  wnd.CreateSolidCaret(8, 18);
  EXPECT_FALSE(headless::system().caret().visible());
  wnd.HideCaret();
  wnd.ShowCaret();
  EXPECT_FALSE(headless::system().caret().visible()) << "two hides need two shows";
  wnd.ShowCaret();
  EXPECT_TRUE(headless::system().caret().visible());
  wnd.ShowCaret();  // extra shows do not bank
  wnd.HideCaret();
  EXPECT_FALSE(headless::system().caret().visible());
  EXPECT_EQ(headless::system().caret().width, 8);
  EXPECT_EQ(headless::system().caret().height, 18);
  DestroyCaret();
  EXPECT_FALSE(headless::system().caret().exists);
}

TEST_F(FrameworkTest, SettingARunningTimerIdReplacesIt) {
  TickCounter wnd;
  ASSERT_TRUE(wnd.CreateNative(platform::WindowKind::View, nullptr, {}));
  EXPECT_EQ(wnd.SetTimer(1, 50, nullptr), 1u);
  headless::system().advance(40);
  EXPECT_EQ(wnd.SetTimer(1, 50, nullptr), 1u);  // period starts again
  headless::system().advance(40);
  EXPECT_EQ(wnd.ticks, 0);
  headless::system().advance(10);
  EXPECT_EQ(wnd.ticks, 1);
  EXPECT_EQ(headless::system().runningTimerCount(), 1u);
}

TEST_F(FrameworkTest, TimerPeriodBelowMinimumRunsAtTenMilliseconds) {
  TickCounter wnd;
  ASSERT_TRUE(wnd.CreateNative(platform::WindowKind::View, nullptr, {}));
  wnd.SetTimer(1, 0, nullptr);
  EXPECT_EQ(headless::system().timerPeriod(wnd.m_hWnd, 1), 10u);
  headless::system().advance(100);
  EXPECT_EQ(wnd.ticks, 10);
  EXPECT_TRUE(wnd.KillTimer(1));
  headless::system().advance(100);
  EXPECT_EQ(wnd.ticks, 10);
}

TEST_F(FrameworkTest, TimerTicksArriveWhileAMessageBoxIsOpen) {
  TickCounter wnd;
  ASSERT_TRUE(wnd.CreateNative(platform::WindowKind::View, nullptr, {}));
  wnd.SetTimer(1, 10, nullptr);
  headless::system().setMessageBoxHandler([&](const platform::MessageBoxRequest&) {
    headless::system().advance(30);
    return IDOK;
  });
  EXPECT_EQ(wnd.MessageBox("text", "caption", MB_OK), IDOK);
  EXPECT_EQ(wnd.ticks, 3);
  ASSERT_EQ(headless::system().messageBoxes().size(), 1u);
  EXPECT_EQ(headless::system().messageBoxes()[0].owner, wnd.m_hWnd);
}

TEST_F(FrameworkTest, TextRunsCarryPositionColourAndBytes) {
  TickCounter wnd;
  ASSERT_TRUE(wnd.CreateNative(platform::WindowKind::View, nullptr, {}));
  CFont font;
  font.CreateFont(18, 8, 0, 0, 400, 0, 0, 0, 186, 0, 1, 0, 49, "Terminal");
  {
    CClientDC dc(&wnd);
    dc.SelectObject(&font);
    dc.SetTextColor(RGB(192, 0, 0));
    const char bytes[] = {'\x00', '\x0d', 'A'};
    dc.ExtTextOut(64, 18, bytes, 3);
    dc.ExtTextOut(0, 0, bytes, 0);
  }
  const auto ops = headless::system().textOps();
  ASSERT_EQ(ops.size(), 1u);
  EXPECT_EQ(ops[0].x, 64);
  EXPECT_EQ(ops[0].y, 18);
  EXPECT_EQ(ops[0].color, RGB(192, 0, 0));
  EXPECT_EQ(ops[0].bytes, std::string("\x00\x0d" "A", 3));
  EXPECT_EQ(ops[0].font.faceName, "Terminal");
}

TEST_F(FrameworkTest, ExitIsObservedWithItsStatus) {
  EXPECT_THROW(AfxExitProcess(3), headless::ProcessExit);
  EXPECT_EQ(headless::system().exitStatus(), 3);
}

}  // namespace
