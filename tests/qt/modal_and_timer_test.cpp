#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/framework/cdialog.h"
#include "qt_test_support.h"

using qt_test::FrameAndView;
using qt_test::qtSystem;
using qt_test::RecordingWnd;
using qt_test::whenModalOpens;

namespace {

QAbstractButton* buttonWithRole(QMessageBox& box, QMessageBox::ButtonRole role) {
  for (QAbstractButton* button : box.buttons()) {
    if (box.buttonRole(button) == role) return button;
  }
  return nullptr;
}

class QtModalTest : public ::testing::Test {
 protected:
  FrameAndView windows;
};

TEST_F(QtModalTest, TimerTicksArriveWhileAMessageBoxIsOpen) {
  windows.view.SetTimer(1, 10, nullptr);
  int ticksWhileOpen = 0;
  windows.view.onTimer = [&](UINT_PTR) {
    if (qobject_cast<QMessageBox*>(QApplication::activeModalWidget()) != nullptr) ++ticksWhileOpen;
  };
  QTimer::singleShot(300, [] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->accept();
  });
  QMessageBox::StandardButton unused{};
  (void)unused;
  EXPECT_EQ(windows.view.MessageBox("Connected", "Info", MB_OK), IDOK);
  EXPECT_GE(ticksWhileOpen, 3);
  windows.view.KillTimer(1);
}

TEST_F(QtModalTest, SettingARunningTimerAgainReplacesItsPeriod) {
  ASSERT_EQ(windows.view.SetTimer(1, 60 * 1000, nullptr), 1u);
  ASSERT_EQ(windows.view.SetTimer(1, 10, nullptr), 1u);
  EXPECT_EQ(qtSystem().timers().periodMs(windows.view.m_hWnd, 1), 10);
  EXPECT_TRUE(QTest::qWaitFor([&] { return windows.view.ticks.size() >= 3; }, 2000));
  EXPECT_TRUE(windows.view.KillTimer(1));
  EXPECT_FALSE(windows.view.KillTimer(1));
  const auto ticks = windows.view.ticks.size();
  QTest::qWait(50);
  EXPECT_EQ(windows.view.ticks.size(), ticks);
  EXPECT_EQ(windows.view.SetTimer(2, 10, nullptr), 2u);
  EXPECT_TRUE(QTest::qWaitFor([&] { return windows.view.ticks.back() == 2u; }, 2000));
}

TEST_F(QtModalTest, ATimerKilledOrRestartedFromItsOwnTickIsSafe) {
  int ticks = 0;
  windows.view.onTimer = [&](UINT_PTR id) {
    ++ticks;
    if (ticks == 1) windows.view.SetTimer(id, 10, nullptr);
    if (ticks == 2) windows.view.KillTimer(id);
  };
  windows.view.SetTimer(1, 10, nullptr);
  QTest::qWait(150);
  EXPECT_EQ(ticks, 2);
}

TEST_F(QtModalTest, ADestroyedWindowsTimersStop) {
  RecordingWnd wnd;
  wnd.CreateNative(platform::WindowKind::View, nullptr, CREATESTRUCT{});
  const auto handle = wnd.m_hWnd;
  wnd.SetTimer(1, 10, nullptr);
  wnd.DestroyWindow();
  EXPECT_FALSE(qtSystem().timers().isRunning(handle, 1));
  QTest::qWait(40);
  EXPECT_TRUE(wnd.ticks.empty());
  EXPECT_FALSE(qtSystem().setTimer(handle, 1, 10)) << "no timer for a window that is gone";
}

struct BoxSeen {
  QString text;
  QString caption;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int buttons = 0;
  QWidget* parent = nullptr;
};

// Shows a box of the style and answers it with the button of the role (or
// Escape when role is InvalidRole); returns the result and what was shown.
std::pair<int, BoxSeen> answerBox(CWnd* owner, UINT style, QMessageBox::ButtonRole role) {
  BoxSeen seen;
  whenModalOpens<QMessageBox>([&seen, role](QMessageBox& box) {
    seen = {box.text(), box.windowTitle(), box.icon(), static_cast<int>(box.buttons().size()),
            box.parentWidget()};
    if (role == QMessageBox::InvalidRole) {
      QTest::keyClick(&box, Qt::Key_Escape);
    } else {
      buttonWithRole(box, role)->click();
    }
  });
  const int result =
      owner != nullptr
          ? owner->MessageBox("Data Format error....(Check display type) ", "Error", style)
          : ShowMessageBox(platform::kNoWindow, "Warnning", "Error Messge", style);
  return {result, seen};
}

TEST_F(QtModalTest, MessageBoxStylesGiveTheirIconsButtonsAndResults) {
  auto [okResult, plain] = answerBox(&windows.view, 0, QMessageBox::AcceptRole);
  EXPECT_EQ(okResult, IDOK);
  EXPECT_EQ(plain.icon, QMessageBox::NoIcon);
  EXPECT_EQ(plain.buttons, 1);
  EXPECT_EQ(plain.text, QString("Data Format error....(Check display type) "));
  EXPECT_EQ(plain.caption, QString("Error"));
  EXPECT_EQ(plain.parent, qtSystem().widget(windows.frame.m_hWnd)) << "owned by the view's window";

  auto [stopResult, stop] = answerBox(&windows.view, MB_ICONHAND, QMessageBox::InvalidRole);
  EXPECT_EQ(stopResult, IDOK) << "Escape on an OK box is OK";
  EXPECT_EQ(stop.icon, QMessageBox::Critical);
  EXPECT_EQ(stop.buttons, 1);

  auto [cancelResult, warning] = answerBox(nullptr, 49, QMessageBox::RejectRole);
  EXPECT_EQ(cancelResult, IDCANCEL);
  EXPECT_EQ(warning.icon, QMessageBox::Warning);
  EXPECT_EQ(warning.buttons, 2);
  EXPECT_EQ(warning.caption, QString("Error Messge"));
  EXPECT_EQ(warning.parent, nullptr) << "a box of no window has no owner";

  EXPECT_EQ(answerBox(nullptr, 49, QMessageBox::AcceptRole).first, IDOK);
  EXPECT_EQ(answerBox(nullptr, 49, QMessageBox::InvalidRole).first, IDCANCEL);

  // The detail stands under the unchanged text, in view without a further
  // click, shown as written even where it looks like markup.
  const std::string detail = "COM3 (/dev/ttyS2) is held by <b>process 4711</b>.\nClose it.";
  BoxSeen detailed;
  QString informative;
  QString collapsed = "unset";
  Qt::TextFormat formats[2] = {Qt::RichText, Qt::RichText};
  whenModalOpens<QMessageBox>([&](QMessageBox& box) {
    detailed = {box.text(), box.windowTitle(), box.icon(), static_cast<int>(box.buttons().size()),
                box.parentWidget()};
    informative = box.informativeText();
    collapsed = box.detailedText();
    formats[0] = box.textFormat();
    if (auto* label = box.findChild<QLabel*>("qt_msgbox_informativelabel")) {
      formats[1] = label->textFormat();
    }
    box.accept();
  });
  platform::MessageBoxRequest request{windows.view.m_hWnd, "Can not Open ", "Error", MB_ICONHAND,
                                      detail};
  EXPECT_EQ(qtSystem().messageBox(request), IDOK);
  EXPECT_EQ(detailed.text, QString("Can not Open "));
  EXPECT_EQ(detailed.caption, QString("Error"));
  EXPECT_EQ(detailed.icon, QMessageBox::Critical);
  EXPECT_EQ(detailed.buttons, 1) << "no details button to press";
  EXPECT_EQ(informative, QString::fromStdString(detail));
  EXPECT_EQ(collapsed, QString());
  EXPECT_EQ(formats[0], Qt::PlainText);
  EXPECT_EQ(formats[1], Qt::PlainText);
}

class FileDialogTest : public QtModalTest {
 protected:
  void SetUp() override {
    previous = std::filesystem::current_path();
    folder = std::filesystem::temp_directory_path() / "korvane_qt_file_dialog";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "old.log") << "x";
  }
  void TearDown() override {
    std::filesystem::current_path(previous);
    std::filesystem::remove_all(folder);
  }
  platform::FileDialogRequest request(bool open) {
    platform::FileDialogRequest r;
    r.open = open;
    r.initialFileName = "*.kvn";
    r.flags = 0x80000;
    r.filter = "(*.kvn) | *.log |(*.*) | *.*||";
    return r;
  }
  std::filesystem::path previous;
  std::filesystem::path folder;
};

TEST_F(FileDialogTest, AChosenFileGivesItsFullPathAndItsFolderBecomesCurrent) {
  QStringList filters;
  QFileDialog::Options options;
  QFileDialog::AcceptMode mode{};
  const QString chosen = QString::fromStdString((folder / "new.log").string());
  whenModalOpens<QFileDialog>([&](QFileDialog& dialog) {
    filters = dialog.nameFilters();
    options = dialog.options();
    mode = dialog.acceptMode();
    dialog.selectFile(chosen);
    static_cast<QDialog&>(dialog).accept();
  });
  auto save = request(false);
  ASSERT_TRUE(qtSystem().runFileDialog(save));
  EXPECT_EQ(save.chosenPath, (folder / "new.log").string());
  EXPECT_EQ(std::filesystem::current_path(), folder);
  // The initial name's pattern stands in front of the written entries.
  EXPECT_EQ(filters, (QStringList{"*.kvn", "(*.kvn) (*.log)", "(*.*) (*)"}));
  EXPECT_TRUE(options.testFlag(QFileDialog::DontConfirmOverwrite));
  EXPECT_TRUE(options.testFlag(QFileDialog::DontUseNativeDialog));
  EXPECT_EQ(mode, QFileDialog::AcceptSave);
}

TEST_F(FileDialogTest, ACancelledDialogChoosesNothingAndKeepsTheFolder) {
  whenModalOpens<QFileDialog>([](QFileDialog& dialog) { static_cast<QDialog&>(dialog).reject(); });
  auto open = request(true);
  EXPECT_FALSE(qtSystem().runFileDialog(open));
  EXPECT_TRUE(open.chosenPath.empty());
  EXPECT_EQ(std::filesystem::current_path(), previous);
}

class EndingDialog : public CDialog {
 public:
  using CDialog::CDialog;
  bool endAtInit = false;
  BOOL OnInitDialog() override {
    CDialog::OnInitDialog();
    if (endAtInit) EndDialog(IDCANCEL);
    return TRUE;
  }
};

TEST_F(QtModalTest, AModalDialogRunsUntilEndDialogAndTimersTickMeanwhile) {
  platform::DialogTemplate dialogTemplate;
  dialogTemplate.caption = "About KORVANE";
  dialogTemplate.cx = 217;
  dialogTemplate.cy = 55;
  EndingDialog dialog(dialogTemplate, &windows.frame);
  windows.view.SetTimer(1, 10, nullptr);
  QString title;
  QTimer::singleShot(200, [&] {
    if (auto* window = QApplication::activeModalWidget()) title = window->windowTitle();
    dialog.EndDialog(7);
  });
  EXPECT_EQ(dialog.DoModal(), 7);
  EXPECT_EQ(title, QString("About KORVANE"));
  EXPECT_GE(windows.view.ticks.size(), 3u);
  EXPECT_EQ(dialog.m_hWnd, platform::kNoWindow);
  windows.view.KillTimer(1);

  EndingDialog early(dialogTemplate, nullptr);
  early.endAtInit = true;
  EXPECT_EQ(early.DoModal(), IDCANCEL) << "ended before its loop: it does not wait";
}

using QtExitDeathTest = QtModalTest;

TEST_F(QtExitDeathTest, ExitProcessEndsAtOnceWithItsStatusFromInsideABox) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        QTimer::singleShot(20, [] {
          std::fputs("leaving", stderr);
          qtSystem().exitProcess(7);
        });
        windows.view.MessageBox("never answered", "Error", MB_OK);
        std::_Exit(1);
      },
      ::testing::ExitedWithCode(7), "leaving");
}

}  // namespace
