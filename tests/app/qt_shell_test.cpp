// The monitor's shell on the Qt window system (offscreen platform).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <memory>

#include "app/korvane_app.h"
#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "platform/comm/comm_backend.h"
#include "platform/headless/fake_comm.h"
#include "platform/headless/memory_registry.h"
#include "platform/qt/qt_frame_window.h"
#include "platform/qt/qt_view_widget.h"
#include "platform/qt/qt_window_system.h"
#include "platform/registry/registry_backend.h"
#include "res/resource.h"
#include "view/korvane_view.h"

// The system's font library keeps caches for the process's lifetime.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

platform::qt::QtWindowSystem& qtSystem() {
  static int argc = 1;
  static char name[] = "app_qt_tests";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  return platform::qt::installQtWindowSystem(argc, argv);
}

constexpr QRgb kWhite = qRgb(255, 255, 255);
constexpr QRgb kBlack = qRgb(0, 0, 0);
constexpr QRgb kPortBRed = qRgb(192, 0, 0);
constexpr int kCellWidth = 8;
constexpr int kRowHeight = 18;

// Pixels of exactly the colour in rect, leaving out the ones in skip.
int countColour(const QImage& image, const QRect& rect, QRgb colour, const QRect& skip = {}) {
  int count = 0;
  const QRect area = rect.intersected(image.rect());
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (skip.contains(x, y)) continue;
      if ((image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) ++count;
    }
  }
  return count;
}

class QtShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    system = &qtSystem();
    resetCaretForTests();
    resetProcessState();
    platform::installRegistryBackend(&registry);
    platform::installCommBackend(&comm);
    comm.addDevice("COM3");
    comm.addDevice("COM4");
    app = std::make_unique<CKORVANEApp>();
    ASSERT_TRUE(app->InitInstance());
  }
  void TearDown() override {
    app->ExitInstance();
    app.reset();
    resetProcessState();
  }
  platform::qt::QtFrameWindow* frame() const {
    return system->frame(app->GetDocTemplate()->GetFrame()->GetSafeHwnd());
  }
  platform::qt::QtViewWidget* view() const {
    return system->view(app->GetDocTemplate()->GetView()->GetSafeHwnd());
  }

  platform::qt::QtWindowSystem* system = nullptr;
  headless::MemoryRegistry registry;
  headless::FakeComm comm;
  std::unique_ptr<CKORVANEApp> app;
};

TEST_F(QtShellTest, TheMainWindowIs720By500AndTitledUntitled) {
  ASSERT_NE(frame(), nullptr);
  ASSERT_TRUE(QTest::qWaitForWindowExposed(frame()));
  EXPECT_EQ(frame()->size(), QSize(720, 500));
  EXPECT_EQ(frame()->windowTitle(), "Untitled - KORVANE");
  EXPECT_TRUE(frame()->acceptDrops());
  EXPECT_FALSE(frame()->windowIcon().isNull()) << "icon 128";
  EXPECT_EQ(frame()->centralWidget(), view());
}

TEST_F(QtShellTest, TheMenuBarShowsItsEntriesAndItemsInOrderWithTheirCommands) {
  const QList<QAction*> bar = frame()->menuBar()->actions();
  ASSERT_EQ(bar.size(), 4);
  QStringList texts;
  for (QAction* action : bar) texts << action->text();
  EXPECT_EQ(texts, (QStringList{"File", "Action", "Setup", "&Help"}));
  EXPECT_EQ(bar[2]->menu(), nullptr) << "Setup is a command on the bar";
  EXPECT_EQ(frame()->actionForCommand(ID_SETUP), bar[2]);

  const auto items = [&](int entry) {
    QStringList result;
    for (QAction* action : bar[entry]->menu()->actions()) {
      result << (action->isSeparator() ? QString("-") : action->text());
    }
    return result;
  };
  EXPECT_EQ(items(0), (QStringList{"Read file", "Save File"}));
  EXPECT_EQ(items(1), (QStringList{"Connect...", "Disconnect...", "-"}));
  EXPECT_EQ(items(3), (QStringList{"&About KORVANE..."}));
  const std::pair<UINT, int> owners[] = {
      {ID_READ_FILE, 0}, {ID_SAVE_FILE, 0}, {ID_CONNECT, 1}, {ID_DISCONNECT, 1}, {ID_APP_ABOUT, 3}};
  for (const auto& [id, entry] : owners) {
    QAction* action = frame()->actionForCommand(id);
    ASSERT_NE(action, nullptr) << id;
    EXPECT_TRUE(bar[entry]->menu()->actions().contains(action)) << id;
  }
}

TEST_F(QtShellTest, OpeningAPopupEnablesConnectOrDisconnectByTheConnection) {
  QMenu* file = frame()->menuBar()->actions()[0]->menu();
  emit file->aboutToShow();
  EXPECT_TRUE(frame()->actionForCommand(ID_CONNECT)->isEnabled());
  EXPECT_FALSE(frame()->actionForCommand(ID_DISCONNECT)->isEnabled());
  frame()->actionForCommand(ID_CONNECT)->trigger();
  ASSERT_EQ(monitorState.connected, 1);
  emit file->aboutToShow();
  EXPECT_FALSE(frame()->actionForCommand(ID_CONNECT)->isEnabled());
  EXPECT_TRUE(frame()->actionForCommand(ID_DISCONNECT)->isEnabled());
}

TEST_F(QtShellTest, ACaptureShowsPortAInBlackAndPortBInDarkRedOnWhiteWithTheCaret) {
  ASSERT_TRUE(QTest::qWaitForWindowExposed(frame()));
  frame()->actionForCommand(ID_CONNECT)->trigger();
  comm.queueBytes("COM3", {'A', 'B', 'C', 'D'});
  QTest::qWait(100);
  comm.queueBytes("COM4", {'e', 'f', 'g', 'h'});
  QTest::qWait(100);
  ASSERT_EQ(monitorState.recordCount, 2);
  view()->flushNow();
  const QImage image = view()->grab().toImage().convertToFormat(QImage::Format_RGB32);

  // The caret stands where the dump's caret placement put it: on the last
  // record, whose cell it inverts, so that cell is left out of the colours.
  const platform::CaretState& caret = currentCaret();
  ASSERT_TRUE(caret.visible());
  EXPECT_EQ(caret.y, kRowHeight) << "on the last record";
  const QRect caretCell(caret.x, caret.y, 8, 18);
  if (view()->caretBlinkOn()) {
    EXPECT_EQ(view()->shownCaretRect(), caretCell);
  }

  // Row 0 is port A, row 1 port B; the label's eight cells of each.
  const QRect labelA(0, 0, 8 * kCellWidth, kRowHeight);
  const QRect labelB(0, kRowHeight, 8 * kCellWidth, kRowHeight);
  const auto area = [&](const QRect& rect) {
    return rect.width() * rect.height() -
           rect.intersected(caretCell).width() * rect.intersected(caretCell).height();
  };
  EXPECT_GT(countColour(image, labelA, kBlack, caretCell), 0);
  EXPECT_EQ(
      countColour(image, labelA, kBlack, caretCell) + countColour(image, labelA, kWhite, caretCell),
      area(labelA))
      << "port A is black on white";
  EXPECT_GT(countColour(image, labelB, kPortBRed, caretCell), 0);
  EXPECT_EQ(countColour(image, labelB, kPortBRed, caretCell) +
                countColour(image, labelB, kWhite, caretCell),
            area(labelB))
      << "port B is dark red on white";
  EXPECT_EQ(countColour(image, labelA, kPortBRed), 0);
  EXPECT_EQ(countColour(image, labelB, kBlack, caretCell), 0);
  const QRect below(0, 3 * kRowHeight, image.width(), image.height() - 3 * kRowHeight);
  EXPECT_EQ(countColour(image, below, kWhite), below.width() * below.height());
}

TEST_F(QtShellTest, ClosingTheWindowEndsTheMessageLoop) {
  QTimer::singleShot(50, frame(), [this] { frame()->close(); });
  EXPECT_EQ(app->Run(), 0);
}

// The desktop launch of a file that is not there: a box names the file and
// the reason, and once it is dismissed the program ends with status 1 and
// without its main window.
TEST(QtShellStart, AFileThatCannotBeOpenedIsToldInABoxBeforeTheProgramEnds) {
  qtSystem();
  resetProcessState();
  headless::MemoryRegistry registry;
  platform::installRegistryBackend(&registry);
  const std::string missing = "/nonexistent-korvane-folder/missing.kvn";
  QString text;
  QString detail;
  QString caption;
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [&, poll] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      poll->stop();
      poll->deleteLater();
      text = box->text();
      detail = box->informativeText();
      caption = box->windowTitle();
      box->accept();
    }
  });
  poll->start(5);
  int status = 0;
  bool frameSeen = false;
  {
    CKORVANEApp app;
    std::string program = "korvane";
    std::string file = missing;
    char* argv[] = {program.data(), file.data()};
    status = AfxWinMain(2, argv);
    frameSeen = app.GetDocTemplate() != nullptr && app.GetDocTemplate()->GetFrame() != nullptr;
  }
  EXPECT_EQ(status, 1);
  EXPECT_FALSE(frameSeen);
  EXPECT_EQ(text.toStdString(), "Cannot open " + missing);
  EXPECT_EQ(detail.toStdString(), "No such file or directory");
  EXPECT_EQ(caption.toStdString(), "KORVANE");
  resetProcessState();
}

}  // namespace
