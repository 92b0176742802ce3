#include <gtest/gtest.h>

#include "platform/headless/dialog_driver.h"
#include "platform/headless/headless_window_system.h"
#include "tests/dialogs/test_dialog.h"

namespace {

using dialog_test::TestDialog;
using headless::DialogDriver;

class HeadlessDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::system().reset();
    AfxSetAppName("Tester");
  }
  headless::HeadlessWindowSystem& sys() { return headless::system(); }

  // Runs the dialog with the given fields loaded, letting body act as the user.
  int run(TestDialog& dialog, const std::function<void(CDialog&, DialogDriver&)>& body) {
    sys().setDialogHandler([&](CDialog& shown) {
      DialogDriver driver(shown);
      body(shown, driver);
    });
    return dialog.DoModal();
  }
};

TEST_F(HeadlessDialogTest, ShowingAStringSelectsTheFirstItemBeginningWithItIgnoringCase) {
  TestDialog dialog;
  dialog.fields = {.sizes = "1", .ports = "com1", .switchState = 0, .number = "", .last = ""};
  run(dialog, [](CDialog& shown, DialogDriver& d) {
    EXPECT_EQ(d.selection(dialog_test::kSizes), 0) << "1 selects the item 1, not 16";
    EXPECT_EQ(d.text(dialog_test::kSizes), "1");
    EXPECT_EQ(d.selection(dialog_test::kPorts), 0) << "COM1 comes before COM10";
    EXPECT_EQ(d.text(dialog_test::kPorts), "COM1");
    auto& self = static_cast<TestDialog&>(shown);
    self.fields.sizes = "3";
    self.fields.ports = "ttyUSB0";
    self.UpdateData(FALSE);
    EXPECT_EQ(d.text(dialog_test::kSizes), "32") << "3 selects 32";
    EXPECT_EQ(d.selection(dialog_test::kSizes), 5);
    EXPECT_EQ(d.text(dialog_test::kPorts), "ttyUSB0") << "no item begins with it: shown as typed";
    EXPECT_EQ(d.selection(dialog_test::kPorts), CB_ERR);
    self.fields.ports = "";
    self.UpdateData(FALSE);
    EXPECT_EQ(d.text(dialog_test::kPorts), "COM1") << "every item begins with the empty text";
  });
}

TEST_F(HeadlessDialogTest, SavingTakesTheShownTextOfEveryControlInOrder) {
  TestDialog dialog;
  dialog.fields = {.sizes = "2", .ports = "COM2", .switchState = 0, .number = "10", .last = "NONE"};
  const int result = run(dialog, [](CDialog&, DialogDriver& d) {
    d.pick(dialog_test::kSizes, 4);
    d.type(dialog_test::kPorts, "pts/3");
    d.click(dialog_test::kSwitch);
    d.type(dialog_test::kNumber, "250");
    d.pick(dialog_test::kLast, 1);
    d.enter();
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(dialog.fields.sizes, "16");
  EXPECT_EQ(dialog.fields.ports, "pts/3");
  EXPECT_EQ(dialog.fields.switchState, 1);
  EXPECT_EQ(dialog.fields.number, "250");
  EXPECT_EQ(dialog.fields.last, "EVEN");
  EXPECT_TRUE(sys().messageBoxes().empty());
}

TEST_F(HeadlessDialogTest, TypingIsLimitedButALongerLoadedTextIsKeptAndFailsOnSave) {
  TestDialog dialog;
  dialog.fields = {
      .sizes = "2", .ports = "COM1", .switchState = 0, .number = "1000", .last = "NONE"};
  int okResult = -1;
  const int result = run(dialog, [&](CDialog& shown, DialogDriver& d) {
    EXPECT_EQ(d.item(dialog_test::kNumber).textLimit(), 3);
    EXPECT_EQ(d.text(dialog_test::kNumber), "1000") << "the limit does not cut loaded text";
    d.pick(dialog_test::kSizes, 3);  // before the failing step: taken
    d.pick(dialog_test::kLast, 1);   // after it: not taken
    auto& self = static_cast<TestDialog&>(shown);
    okResult = self.UpdateData(TRUE);
    EXPECT_EQ(self.fields.sizes, "8");
    EXPECT_EQ(self.fields.number, "1000");
    EXPECT_EQ(self.fields.last, "NONE") << "the exchange stops at the failing step";
    EXPECT_EQ(d.focusId(), dialog_test::kNumber);
    d.enter();  // the framework's OK fails the same way and stays open
    EXPECT_FALSE(sys().dialogEnded(shown));
    d.type(dialog_test::kNumber, "12345");
    EXPECT_EQ(d.text(dialog_test::kNumber), "123") << "typing stops at the limit";
    d.enter();
  });
  EXPECT_EQ(okResult, FALSE);
  EXPECT_EQ(result, IDOK);
  ASSERT_EQ(sys().messageBoxes().size(), 2u);
  const auto& box = sys().messageBoxes()[0];
  EXPECT_EQ(box.text, "Enter no more than 3 characters.");
  EXPECT_EQ(box.caption, "Tester");
  EXPECT_EQ(box.style, MB_OK | MB_ICONEXCLAMATION);
  EXPECT_NE(box.owner, platform::kNoWindow) << "owned by the dialog";
  EXPECT_EQ(dialog.fields.number, "123");
  EXPECT_EQ(dialog.fields.last, "EVEN");
}

TEST_F(HeadlessDialogTest, CheckBoxClickFlipsTheMarkAndTellsTheDialogUnlessDisabled) {
  TestDialog dialog;
  dialog.fields.switchState = 1;
  run(dialog, [](CDialog& shown, DialogDriver& d) {
    auto& self = static_cast<TestDialog&>(shown);
    EXPECT_TRUE(d.checked(dialog_test::kSwitch));
    self.commands.clear();
    d.click(dialog_test::kSwitch);
    EXPECT_FALSE(d.checked(dialog_test::kSwitch));
    ASSERT_EQ(self.commands.size(), 1u);
    EXPECT_EQ(self.commands[0], std::make_pair(dialog_test::kSwitch, BN_CLICKED));
    d.click(dialog_test::kSwitch);
    EXPECT_TRUE(d.checked(dialog_test::kSwitch));
    d.item(dialog_test::kSwitch).EnableWindow(FALSE);
    d.click(dialog_test::kSwitch);
    EXPECT_TRUE(d.checked(dialog_test::kSwitch)) << "a disabled box ignores clicks";
    EXPECT_EQ(self.commands.size(), 2u);
  });
}

TEST_F(HeadlessDialogTest, EscapeAndTheCloseBoxCancelWithoutExchanging) {
  for (int way = 0; way < 3; ++way) {
    TestDialog dialog;
    dialog.fields.ports = "COM2";
    const int result = run(dialog, [way](CDialog&, DialogDriver& d) {
      d.type(dialog_test::kPorts, "COM9");
      if (way == 0) d.escape();
      if (way == 1) d.closeBox();
      if (way == 2) d.click(IDCANCEL);
    });
    EXPECT_EQ(result, IDCANCEL) << way;
    EXPECT_EQ(dialog.fields.ports, "COM2") << way;
  }
}

TEST_F(HeadlessDialogTest, OpeningFillsListsFocusesTheFirstTabStopAndClosingDropsTheControls) {
  TestDialog dialog;
  run(dialog, [](CDialog& shown, DialogDriver& d) {
    EXPECT_EQ(d.item(dialog_test::kSizes).GetCount(), 6);
    EXPECT_EQ(d.item(dialog_test::kPorts).GetLBText(3), "COM10");
    EXPECT_EQ(d.focusId(), IDOK) << "the first tab stop, not the label before it";
    EXPECT_EQ(shown.GetWindowText(), "Test ");
    EXPECT_EQ(headless::system().openDialogs().size(), 1u);
  });
  EXPECT_EQ(dialog.GetDlgItem(dialog_test::kSizes), nullptr);
  EXPECT_TRUE(sys().openDialogs().empty());
}

TEST_F(HeadlessDialogTest, ADialogWithoutAWindowExchangesNothing) {
  TestDialog dialog;
  dialog.fields.ports = "COM7";
  EXPECT_EQ(dialog.UpdateData(TRUE), TRUE);
  EXPECT_EQ(dialog.UpdateData(FALSE), TRUE);
  EXPECT_EQ(dialog.fields.ports, "COM7");
}

TEST_F(HeadlessDialogTest, ColouringIsAskedOncePerControlAndOnlyChosenColoursAreKept) {
  TestDialog dialog;
  run(dialog, [](CDialog& shown, DialogDriver& d) {
    auto& self = static_cast<TestDialog&>(shown);
    EXPECT_EQ(self.colourQueries.size(), dialog_test::testTemplate().controls.size());
    EXPECT_EQ(d.item(dialog_test::kRedLabel).textColor(), RGB(192, 0, 0));
    EXPECT_FALSE(d.item(dialog_test::kSizes).textColor().has_value());
    for (const auto& [id, kind] : self.colourQueries) {
      if (id == dialog_test::kNumber || id == dialog_test::kSizes) {
        EXPECT_EQ(kind, CTLCOLOR_EDIT);
      }
      if (id == IDOK) {
        EXPECT_EQ(kind, CTLCOLOR_BTN);
      }
      if (id == dialog_test::kSwitch || id == dialog_test::kRedLabel) {
        EXPECT_EQ(kind, CTLCOLOR_STATIC);
      }
    }
  });
}

class Ticker : public CWnd {
 public:
  int ticks = 0;

 protected:
  void OnTimer(UINT_PTR) override { ++ticks; }
};

TEST_F(HeadlessDialogTest, TimersKeepFiringWhileADialogAndItsMessageBoxAreOpen) {
  Ticker view;
  ASSERT_TRUE(view.CreateNative(platform::WindowKind::View, nullptr, {}));
  view.SetTimer(1, 10, nullptr);
  int ticksInBox = 0;
  sys().setMessageBoxHandler([&](const platform::MessageBoxRequest&) {
    const int before = view.ticks;
    sys().advance(50);
    ticksInBox = view.ticks - before;
    return IDOK;
  });
  TestDialog dialog;
  dialog.fields.number = "9999";
  run(dialog, [&](CDialog&, DialogDriver& d) {
    sys().advance(30);
    EXPECT_EQ(view.ticks, 3);
    d.enter();  // fails validation: a message box inside the dialog
    d.escape();
  });
  EXPECT_EQ(ticksInBox, 5);
}

TEST(DropDownRule, PrefixMatchIgnoresCaseAndSearchWrapsAfterTheStart) {
  EXPECT_TRUE(beginsWithIgnoringCase("COM10", "com1"));
  EXPECT_TRUE(beginsWithIgnoringCase("NONE", ""));
  EXPECT_FALSE(beginsWithIgnoringCase("COM", "COM1"));
  EXPECT_FALSE(beginsWithIgnoringCase("EVEN", "EVEN "));
  headless::system().reset();
  TestDialog dialog;
  headless::system().setDialogHandler([](CDialog& shown) {
    CDlgItem* ports = shown.GetDlgItem(dialog_test::kPorts);
    EXPECT_EQ(ports->SelectString(0, "COM1"), 3) << "the search starts after the given item";
    EXPECT_EQ(ports->SelectString(3, "COM1"), 0) << "and wraps round";
    EXPECT_EQ(ports->SelectString(-1, "LPT"), CB_ERR);
    EXPECT_EQ(ports->GetCurSel(), 0) << "a failed search changes nothing";
    EXPECT_EQ(ports->SetCurSel(4), CB_ERR);
  });
  dialog.DoModal();
}

}  // namespace
