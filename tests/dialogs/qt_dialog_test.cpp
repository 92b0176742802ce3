#include "platform/qt/qt_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>

#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "platform/comm/comm_backend.h"
#include "platform/headless/fake_comm.h"
#include "platform/headless/memory_registry.h"
#include "platform/registry/registry_backend.h"
#include "res/dialog_templates.h"
#include "res/setup_dialog_ids.h"
#include "setup/setup_dlg.h"
#include "tests/dialogs/test_dialog.h"
#include "tests/qt/qt_test_support.h"

// The font configuration library keeps a cache of the faces it matched for
// the process's lifetime; the leak checker would report it at exit.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

using dialog_test::TestDialog;

// Acts on the dialog window as soon as it is up.
void whenDialogOpens(std::function<void(QDialog&)> act) {
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [poll, act] {
    if (auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      poll->stop();
      poll->deleteLater();
      act(*window);
    }
  });
  poll->start(5);
}

// Widgets of one type, left to right, then top to bottom.
template <class W>
std::vector<W*> widgetsOf(QDialog& window) {
  auto found = window.findChildren<W*>(Qt::FindDirectChildrenOnly);
  std::vector<W*> result(found.begin(), found.end());
  std::sort(result.begin(), result.end(),
            [](W* a, W* b) { return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x(); });
  return result;
}

bool reddish(QRgb pixel) {
  return qRed(pixel) > 100 && qRed(pixel) > qGreen(pixel) + 60 && qRed(pixel) > qBlue(pixel) + 60;
}
int reddishPixels(const QImage& image, const QRect& rect) {
  int count = 0;
  const QRect area = rect.intersected(image.rect());
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) count += reddish(image.pixel(x, y)) ? 1 : 0;
  }
  return count;
}

class QtDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { qt_test::qtSystem(); }
};

TEST(DialogUnits, ScaleByAQuarterOfTheBaseWidthAndAnEighthOfTheBaseHeight) {
  const QRect pixels = platform::qt::dialogUnitsToPixels({10, 16, 50, 14}, {8, 16});
  EXPECT_EQ(pixels, QRect(20, 32, 100, 28));
  const QRect odd = platform::qt::dialogUnitsToPixels({230, 42, 50, 14}, {7, 13});
  EXPECT_EQ(odd.x(), (230 * 7 + 2) / 4);
  EXPECT_EQ(odd.y(), (42 * 13 + 4) / 8);
}

TEST_F(QtDialogTest, WidgetsShowTheControlsAndTheUsersChangesReachTheDialog) {
  TestDialog dialog;
  dialog.fields = {
      .sizes = "3", .ports = "ttyS0", .switchState = 0, .number = "10", .last = "EVEN"};
  whenDialogOpens([&](QDialog& window) {
    EXPECT_EQ(window.windowTitle(), "Test ");
    const auto combos = widgetsOf<QComboBox>(window);
    ASSERT_EQ(combos.size(), 3u);
    EXPECT_TRUE(combos[0]->isEditable());
    EXPECT_EQ(combos[0]->count(), 6);
    EXPECT_EQ(combos[0]->currentText(), "32");
    EXPECT_EQ(combos[1]->currentText(), "ttyS0");
    EXPECT_EQ(combos[2]->currentText(), "EVEN");
    const auto edits = widgetsOf<QLineEdit>(window);
    ASSERT_EQ(edits.size(), 1u);
    EXPECT_EQ(edits[0]->text(), "10");
    edits[0]->selectAll();
    QTest::keyClicks(edits[0], "98765");
    EXPECT_EQ(edits[0]->text(), "987") << "typing stops at the limit";
    combos[1]->lineEdit()->selectAll();
    QTest::keyClicks(combos[1]->lineEdit(), "pts/4");
    combos[0]->setCurrentIndex(1);
    emit combos[0]->activated(1);
    const auto boxes = widgetsOf<QCheckBox>(window);
    ASSERT_EQ(boxes.size(), 1u);
    QTest::mouseClick(boxes[0], Qt::LeftButton);
    EXPECT_EQ(dialog.GetDlgItem(dialog_test::kSwitch)->GetCheck(), BST_CHECKED);
    ASSERT_FALSE(dialog.commands.empty());
    EXPECT_EQ(dialog.commands.back(), std::make_pair(dialog_test::kSwitch, BN_CLICKED));
    QTest::keyClick(edits[0], Qt::Key_Return);  // Enter: the default button
  });
  EXPECT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.fields.sizes, "2");
  EXPECT_EQ(dialog.fields.ports, "pts/4");
  EXPECT_EQ(dialog.fields.switchState, 1);
  EXPECT_EQ(dialog.fields.number, "987");
  EXPECT_EQ(dialog.fields.last, "EVEN");
}

TEST_F(QtDialogTest, EscapeCancelsAndProgramChangesReachTheWidgets) {
  TestDialog dialog;
  dialog.fields.number = "1000";
  whenDialogOpens([&](QDialog& window) {
    const auto edits = widgetsOf<QLineEdit>(window);
    ASSERT_EQ(edits.size(), 1u);
    EXPECT_EQ(edits[0]->text(), "1000") << "a loaded text longer than the limit is kept";
    dialog.GetDlgItem(dialog_test::kPorts)->SetWindowText("COM77");
    dialog.GetDlgItem(dialog_test::kSwitch)->SetCheck(BST_CHECKED);
    dialog.GetDlgItem(dialog_test::kLast)->EnableWindow(FALSE);
    const auto combos = widgetsOf<QComboBox>(window);
    EXPECT_EQ(combos[1]->currentText(), "COM77");
    EXPECT_FALSE(combos[2]->isEnabled());
    EXPECT_TRUE(widgetsOf<QCheckBox>(window)[0]->isChecked());
    QTest::keyClick(&window, Qt::Key_Escape);
  });
  EXPECT_EQ(dialog.DoModal(), IDCANCEL);
  EXPECT_EQ(dialog.fields.ports, "");
}

TEST_F(QtDialogTest, TimersKeepFiringWhileTheDialogIsOpen) {
  qt_test::FrameAndView windows;
  windows.view.SetTimer(1, 10, nullptr);
  TestDialog dialog;
  std::size_t ticksWhenOpened = 0;
  whenDialogOpens([&](QDialog& window) {
    ticksWhenOpened = windows.view.ticks.size();
    QTimer::singleShot(150, &window, [&window] { QTest::keyClick(&window, Qt::Key_Escape); });
  });
  dialog.DoModal();
  EXPECT_GE(windows.view.ticks.size(), ticksWhenOpened + 3);
  windows.view.KillTimer(1);
}

TEST_F(QtDialogTest, TheAboutBoxShowsItsIconAndItsTextAsWritten) {
  CDialog about(aboutDialogTemplate(), nullptr);
  bool checked = false;
  whenDialogOpens([&](QDialog& window) {
    const auto labels = widgetsOf<QLabel>(window);
    bool icon = false;
    bool text = false;
    for (QLabel* label : labels) {
      if (!label->pixmap().isNull() && label->pixmap().width() > 0) icon = true;
      if (label->text() == "KORVANE Version 1.4") text = true;
    }
    EXPECT_TRUE(icon);
    EXPECT_TRUE(text);
    checked = true;
    widgetsOf<QPushButton>(window).at(0)->click();
  });
  EXPECT_EQ(about.DoModal(), IDOK);
  EXPECT_TRUE(checked);
}

TEST_F(QtDialogTest, PortBCaptionsAreDarkRedInAGrabOfTheSetupDialog) {
  headless::MemoryRegistry registry;
  headless::FakeComm comm;
  platform::installRegistryBackend(&registry);
  platform::installCommBackend(&comm);
  resetProcessState();
  int redInPortB = 0, redInPortA = 0, redInGroupB = 0, redInDisable = 0, inkInPortA = 0;
  whenDialogOpens([&](QDialog& window) {
    const QImage image = window.grab().toImage();
    std::vector<QLabel*> portLabels;
    for (QLabel* label : widgetsOf<QLabel>(window)) {
      if (label->text() == "PORT :") portLabels.push_back(label);
    }
    ASSERT_EQ(portLabels.size(), 2u);
    redInPortA = reddishPixels(image, portLabels[0]->geometry());
    inkInPortA = qt_test::countInk(image, portLabels[0]->geometry());
    redInPortB = reddishPixels(image, portLabels[1]->geometry());
    for (QGroupBox* group : widgetsOf<QGroupBox>(window)) {
      if (group->title() == "PORT B") {
        redInGroupB =
            reddishPixels(image, group->geometry().adjusted(0, 0, 0, -group->height() + 20));
      }
    }
    redInDisable = reddishPixels(image, widgetsOf<QCheckBox>(window).at(0)->geometry());
    QTest::keyClick(&window, Qt::Key_Escape);
  });
  CSetupDlg dlg(nullptr);
  EXPECT_EQ(dlg.DoModal(), IDCANCEL);
  EXPECT_GT(redInPortB, 5);
  EXPECT_GT(redInGroupB, 5);
  EXPECT_GT(redInDisable, 5);
  EXPECT_EQ(redInPortA, 0);
  EXPECT_GT(inkInPortA, 5) << "port A's caption is drawn, in the default colour";
  resetProcessState();
}

}  // namespace
