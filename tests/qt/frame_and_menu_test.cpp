#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QUrl>
#include <memory>

#include "platform/qt/qt_frame_window.h"
#include "platform/qt/qt_view_widget.h"
#include "qt_test_support.h"

using qt_test::FrameAndView;
using qt_test::qtSystem;

namespace {

constexpr UINT kConnect = 32771;
constexpr UINT kDisconnect = 32772;
constexpr UINT kSetup = 32774;
constexpr UINT kReadFile = 32775;

std::unique_ptr<CMenu> makeMenu() {
  auto file = std::make_unique<CMenu>();
  file->AppendItem("&New\tCtrl+N", ID_FILE_NEW)
      .AppendSeparator()
      .AppendItem("&Read file", kReadFile);
  auto capture = std::make_unique<CMenu>();
  capture->AppendItem("&Connect...", kConnect).AppendItem("&Disconnect...", kDisconnect);
  auto menu = std::make_unique<CMenu>();
  menu->AppendPopup("&File", std::move(file));
  menu->AppendPopup("&Capture", std::move(capture));
  menu->AppendItem("&Setup", kSetup);
  return menu;
}

class QtFrameTest : public ::testing::Test {
 protected:
  platform::qt::QtFrameWindow* frame() { return qtSystem().frame(windows.frame.m_hWnd); }
  FrameAndView windows;
};

TEST_F(QtFrameTest, IsTheWholeSizeAskedForWithTheViewAsItsOnlyClient) {
  ASSERT_NE(frame(), nullptr);
  EXPECT_EQ(frame()->size(), QSize(720, 500));
  EXPECT_EQ(frame()->centralWidget(), qtSystem().view(windows.view.m_hWnd));
  EXPECT_TRUE(frame()->findChildren<QToolBar*>().isEmpty());
  EXPECT_EQ(frame()->findChild<QStatusBar*>(), nullptr);

  auto menu = makeMenu();
  qtSystem().setMenu(windows.frame.m_hWnd, menu.get());
  windows.frame.ShowWindow();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(frame()));
  CRect client;
  windows.view.GetClientRect(&client);
  EXPECT_EQ(client.Width(), 720);
  EXPECT_EQ(client.Height(), 500 - frame()->menuBar()->height());
  EXPECT_GE(client.Height(), 22 * 18) << "a page of 22 rows fits";
}

TEST_F(QtFrameTest, TitleIsTheWindowText) {
  windows.frame.SetWindowText("Untitled - KORVANE");
  EXPECT_EQ(frame()->windowTitle(), QString("Untitled - KORVANE"));
  EXPECT_EQ(windows.frame.GetWindowText(), "Untitled - KORVANE");
}

TEST_F(QtFrameTest, MenuBarFollowsTheModelWithACommandOnTheBarItself) {
  auto menu = makeMenu();
  qtSystem().setMenu(windows.frame.m_hWnd, menu.get());
  const auto barActions = frame()->menuBar()->actions();
  ASSERT_EQ(barActions.size(), 3);
  EXPECT_EQ(barActions[0]->text(), QString("&File"));
  EXPECT_EQ(barActions[1]->text(), QString("&Capture"));
  EXPECT_EQ(barActions[2]->text(), QString("&Setup"));
  EXPECT_EQ(barActions[2]->menu(), nullptr) << "Setup is a command, not a popup";
  ASSERT_NE(barActions[0]->menu(), nullptr);
  const auto fileItems = barActions[0]->menu()->actions();
  ASSERT_EQ(fileItems.size(), 3);
  EXPECT_EQ(fileItems[0]->text(), QString("&New\tCtrl+N"));
  EXPECT_TRUE(fileItems[1]->isSeparator());
  EXPECT_EQ(fileItems[2]->text(), QString("&Read file"));

  barActions[2]->trigger();
  frame()->actionForCommand(kReadFile)->trigger();
  barActions[1]->menu()->actions()[0]->trigger();
  EXPECT_EQ(windows.frame.commands, (std::vector<UINT>{kSetup, kReadFile, kConnect}));
}

TEST_F(QtFrameTest, ShowingAPopupAsksTheFrameAndThenShowsTheModelsStates) {
  auto menu = makeMenu();
  qtSystem().setMenu(windows.frame.m_hWnd, menu.get());
  bool connected = false;
  windows.frame.onInitMenuPopup = [&](CMenu* popup) {
    popup->EnableMenuItem(kConnect, connected ? MF_GRAYED | MF_DISABLED : MF_ENABLED);
    popup->EnableMenuItem(kDisconnect, connected ? MF_ENABLED : MF_GRAYED | MF_DISABLED);
  };
  QMenu* capture = frame()->menuBar()->actions()[1]->menu();
  QAction* connect = frame()->actionForCommand(kConnect);
  QAction* disconnect = frame()->actionForCommand(kDisconnect);

  emit capture->aboutToShow();
  ASSERT_EQ(windows.frame.initMenuPopups.size(), 1u);
  EXPECT_EQ(windows.frame.initMenuPopups[0].first, menu->GetSubMenu(1));
  EXPECT_EQ(windows.frame.initMenuPopups[0].second, 1u);
  EXPECT_TRUE(connect->isEnabled());
  EXPECT_FALSE(disconnect->isEnabled());

  connected = true;
  emit capture->aboutToShow();
  EXPECT_FALSE(connect->isEnabled());
  EXPECT_TRUE(disconnect->isEnabled());

  emit frame()->menuBar()->actions()[0]->menu()->aboutToShow();
  EXPECT_EQ(windows.frame.initMenuPopups.back().second, 0u);
}

TEST_F(QtFrameTest, AcceleratorsDispatchTheirCommandsAndTheFirstEntryOfAKeyWins) {
  const std::vector<ACCEL> table = {
      {FVIRTKEY | FCONTROL, 'N', ID_FILE_NEW},  {FVIRTKEY | FSHIFT, VK_DELETE, ID_EDIT_CUT},
      {FVIRTKEY | FALT, VK_BACK, ID_EDIT_UNDO}, {FVIRTKEY, VK_F6, ID_NEXT_PANE},
      {FVIRTKEY | FCONTROL, 'N', ID_FILE_OPEN},  // same key again: ignored
  };
  qtSystem().setAccelerators(windows.frame.m_hWnd, table);
  EXPECT_EQ(frame()->shortcutCount(), 4);
  windows.frame.ShowWindow();
  QApplication::setActiveWindow(frame());
  ASSERT_TRUE(QTest::qWaitForWindowActive(frame()));
  QWidget* view = qtSystem().view(windows.view.m_hWnd);
  QTest::keyClick(view, Qt::Key_N, Qt::ControlModifier);
  QTest::keyClick(view, Qt::Key_Delete, Qt::ShiftModifier);
  QTest::keyClick(view, Qt::Key_Backspace, Qt::AltModifier);
  QTest::keyClick(view, Qt::Key_F6);
  EXPECT_EQ(windows.frame.commands,
            (std::vector<UINT>{ID_FILE_NEW, ID_EDIT_CUT, ID_EDIT_UNDO, ID_NEXT_PANE}));
  // Only the modifier keys themselves reach the view, as they go down.
  for (const auto& key : windows.view.keys) {
    EXPECT_TRUE(key.nChar >= 0x10 && key.nChar <= 0x12)
        << "key " << key.nChar << " reached the view";
  }
}

TEST_F(QtFrameTest, ADroppedLocalFileIsHandedToTheFrame) {
  qtSystem().dragAcceptFiles(windows.frame.m_hWnd, true);
  EXPECT_TRUE(frame()->acceptDrops());
  QMimeData mime;
  mime.setUrls({QUrl("https://example.invalid/x.kvn"), QUrl::fromLocalFile("/tmp/one.kvn"),
                QUrl::fromLocalFile("/tmp/two.kvn")});
  QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  // Delivered straight to the window: the application passes drops on only
  // while a real drag runs.
  static_cast<QObject*>(frame())->event(&drop);
  EXPECT_EQ(windows.frame.droppedFiles, (std::vector<std::string>{"/tmp/one.kvn"}));

  QMimeData text;
  text.setText("not a file");
  QDropEvent textDrop(QPointF(10, 10), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
  static_cast<QObject*>(frame())->event(&textDrop);
  EXPECT_EQ(windows.frame.droppedFiles.size(), 1u);
}

TEST_F(QtFrameTest, ClosingTheFrameTellsTheWindowAndEndsTheMessageLoop) {
  windows.frame.ShowWindow();
  int loopResult = -1;
  QTimer::singleShot(0, frame(), [this] { frame()->close(); });
  loopResult = qtSystem().runMessageLoop();
  EXPECT_EQ(loopResult, 0);
  EXPECT_EQ(windows.frame.closes, 1);
}

TEST_F(QtFrameTest, AQuitAskedBeforeTheLoopRunsEndsItAtOnce) {
  qtSystem().quitMessageLoop(3);
  EXPECT_EQ(qtSystem().runMessageLoop(), 3);
  QTimer::singleShot(0, [] { qtSystem().quitMessageLoop(5); });
  EXPECT_EQ(qtSystem().runMessageLoop(), 5);
}

}  // namespace
