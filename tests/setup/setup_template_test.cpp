#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/framework/cdc.h"
#include "platform/headless/dialog_driver.h"
#include "platform/headless/headless_window_system.h"
#include "res/dialog_templates.h"
#include "res/setup_dialog_ids.h"
#include "serial/line_settings.h"
#include "tests/setup/setup_fixture.h"

namespace {

using platform::ControlKind;

const platform::ControlTemplate& control(int id) {
  for (const auto& c : setupDialogTemplate().controls) {
    if (c.id == id) return c;
  }
  throw std::out_of_range(std::to_string(id));
}

template <std::size_t N>
std::vector<std::string> textsOf(const std::array<LineSettingEntry, N>& table) {
  std::vector<std::string> texts;
  for (const auto& entry : table) texts.emplace_back(entry.text);
  return texts;
}

TEST(SetupTemplate, HasTheCaptionFontSizeAndTabOrder) {
  const auto& t = setupDialogTemplate();
  EXPECT_EQ(t.id, 130u);
  EXPECT_EQ(t.caption, "Korvane ");
  EXPECT_EQ(t.fontName, "System");
  EXPECT_EQ(t.pointSize, 10);
  EXPECT_EQ(t.cx, 288);
  EXPECT_EQ(t.cy, 147);
  EXPECT_EQ(t.controls.size(), 31u);
  std::vector<int> tabOrder;
  for (const auto& c : t.controls) {
    if (c.tabStop) tabOrder.push_back(c.id);
  }
  EXPECT_EQ(tabOrder, (std::vector<int>{IDOK, IDCANCEL, 1003, 1005, 1006, 1007, 1008, 1009, 1010,
                                        1011, 1012, 1013, 1017, 1018, 1019}));
}

TEST(SetupTemplate, ControlsHaveTheirKindsCaptionsAndPlaces) {
  const auto& save = control(IDOK);
  EXPECT_EQ(save.kind, ControlKind::DefPushButton);
  EXPECT_EQ(save.caption, "SAVE");
  EXPECT_EQ((std::vector<int>{save.x, save.y, save.cx, save.cy}),
            (std::vector<int>{230, 42, 50, 14}));
  EXPECT_EQ(control(IDCANCEL).x, 231);
  EXPECT_EQ(control(IDC_PORTB_GROUP).caption, "PORT B");
  EXPECT_EQ(control(IDC_PORTB_GROUP).kind, ControlKind::GroupBox);
  EXPECT_EQ(control(IDC_PORTB_BAUDRATE_LABEL).caption, "BAUD RATE :");
  EXPECT_TRUE(control(IDC_PORTB_PARITY_LABEL).centerVertically);
  EXPECT_EQ(control(IDC_PORT2).y, 23);
  EXPECT_EQ(control(IDC_STOPBIT1).cy, 26);
  EXPECT_EQ(control(IDC_DISABLE).kind, ControlKind::AutoCheckBox);
  EXPECT_EQ(control(IDC_DISABLE).caption, "Disable");
  EXPECT_EQ(control(IDC_POLLTIME).kind, ControlKind::Edit);
  EXPECT_TRUE(control(IDC_POLLTIME).border);
  for (int id : {1003, 1005, 1006, 1007, 1008, 1009, 1010, 1011, 1012, 1013, 1018}) {
    EXPECT_EQ(control(id).kind, ControlKind::ComboBox) << id;
    EXPECT_TRUE(control(id).verticalScroll) << id;
  }
  std::vector<std::string> labels;
  for (const auto& c : setupDialogTemplate().controls) {
    if (c.id == -1 && c.kind == ControlKind::Label) labels.push_back(c.caption);
  }
  EXPECT_EQ(labels, (std::vector<std::string>{"PORT :", "BAUD RATE :", "DATA BITS",
                                              "STOP BIT :", "PARITY :", "Memory Size :", "MB",
                                              "Polling Time :", "ms"}));
}

TEST(SetupTemplate, ListsHoldTheTableTextsInTableOrder) {
  EXPECT_EQ(control(IDC_BAUDRATE1).listItems, textsOf(BaudRateTable));
  EXPECT_EQ(control(IDC_BAUDRATE2).listItems, textsOf(BaudRateTable));
  EXPECT_EQ(control(IDC_DATABIT2).listItems, textsOf(DataBitsTable));
  EXPECT_EQ(control(IDC_STOPBIT1).listItems, textsOf(StopBitsTable));
  EXPECT_EQ(control(IDC_PARITY2).listItems, textsOf(ParityTable));
  EXPECT_EQ(control(IDC_MEMSIZE).listItems,
            (std::vector<std::string>{"1", "2", "4", "8", "16", "32"}));
  const auto& ports = control(IDC_PORT2).listItems;
  ASSERT_EQ(ports.size(), 99u);
  EXPECT_EQ(ports.front(), "COM1");
  EXPECT_EQ(ports[9], "COM10");
  EXPECT_EQ(ports.back(), "COM99");
  EXPECT_EQ(control(IDC_PORT1).listItems, ports);
}

using SetupColourTest = SetupFixture;

TEST_F(SetupColourTest, PortBCaptionsAndDisableAreDarkRedAndPortAKeepsTheDefault) {
  startView();
  runSetup([](CSetupDlg& dlg, headless::DialogDriver&) {
    for (const auto& item : dlg.controls()) {
      const int id = item->GetDlgCtrlID();
      const bool portB = (id >= 1024 && id <= 1029) || id == IDC_DISABLE;
      if (portB) {
        EXPECT_EQ(item->textColor(), RGB(192, 0, 0)) << id;
      } else {
        EXPECT_FALSE(item->textColor().has_value()) << id << " " << item->GetWindowText();
      }
    }
  });
}

}  // namespace
