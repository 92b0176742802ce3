// A small dialog for exercising the framework's dialogs: a drop-down of
// memory sizes, a drop-down of port names, a check box, a limited edit
// field and a later drop-down, exchanged in that order.
#pragma once

#include <string>
#include <vector>

#include "platform/framework/cdc.h"
#include "platform/framework/cdialog.h"
#include "platform/framework/ddx.h"

namespace dialog_test {

inline constexpr int kSizes = 200;
inline constexpr int kPorts = 201;
inline constexpr int kSwitch = 202;
inline constexpr int kNumber = 203;
inline constexpr int kLast = 204;
inline constexpr int kRedLabel = 205;

inline const platform::DialogTemplate& testTemplate() {
  using platform::ControlKind;
  static const platform::DialogTemplate dialog{.id = 900,
                                               .caption = "Test ",
                                               .fontName = "System",
                                               .pointSize = 10,
                                               .cx = 200,
                                               .cy = 100,
                                               .controls = {
                                                   {.id = -1,
                                                    .kind = ControlKind::Label,
                                                    .caption = "Sizes",
                                                    .x = 5,
                                                    .y = 5,
                                                    .cx = 40,
                                                    .cy = 10},
                                                   {.id = IDOK,
                                                    .kind = ControlKind::DefPushButton,
                                                    .caption = "SAVE",
                                                    .x = 140,
                                                    .y = 5,
                                                    .cx = 50,
                                                    .cy = 14,
                                                    .tabStop = true},
                                                   {.id = IDCANCEL,
                                                    .kind = ControlKind::PushButton,
                                                    .caption = "CANCEL",
                                                    .x = 140,
                                                    .y = 25,
                                                    .cx = 50,
                                                    .cy = 14,
                                                    .tabStop = true},
                                                   {.id = kSizes,
                                                    .kind = ControlKind::ComboBox,
                                                    .x = 50,
                                                    .y = 5,
                                                    .cx = 40,
                                                    .cy = 48,
                                                    .tabStop = true,
                                                    .listItems = {"1", "2", "4", "8", "16", "32"}},
                                                   {.id = kPorts,
                                                    .kind = ControlKind::ComboBox,
                                                    .x = 50,
                                                    .y = 20,
                                                    .cx = 40,
                                                    .cy = 48,
                                                    .tabStop = true,
                                                    .listItems = {"COM1", "COM2", "COM3", "COM10"}},
                                                   {.id = kSwitch,
                                                    .kind = ControlKind::AutoCheckBox,
                                                    .caption = "Switch",
                                                    .x = 5,
                                                    .y = 40,
                                                    .cx = 40,
                                                    .cy = 10,
                                                    .tabStop = true},
                                                   {.id = kNumber,
                                                    .kind = ControlKind::Edit,
                                                    .x = 50,
                                                    .y = 40,
                                                    .cx = 30,
                                                    .cy = 12,
                                                    .tabStop = true,
                                                    .border = true},
                                                   {.id = kLast,
                                                    .kind = ControlKind::ComboBox,
                                                    .x = 50,
                                                    .y = 60,
                                                    .cx = 40,
                                                    .cy = 48,
                                                    .tabStop = true,
                                                    .listItems = {"NONE", "EVEN"}},
                                                   {.id = kRedLabel,
                                                    .kind = ControlKind::Label,
                                                    .caption = "RED",
                                                    .x = 5,
                                                    .y = 60,
                                                    .cx = 40,
                                                    .cy = 10},
                                               }};
  return dialog;
}

struct Fields {
  std::string sizes;
  std::string ports;
  std::int32_t switchState = 0;
  std::string number;
  std::string last;
};

class TestDialog : public CDialog {
 public:
  TestDialog() : CDialog(testTemplate(), nullptr) {}

  Fields fields;
  std::vector<std::pair<int, UINT>> commands;
  std::vector<std::pair<int, UINT>> colourQueries;  // (id, kind)

  using CDialog::DoDataExchange;

 protected:
  void DoDataExchange(CDataExchange* dx) override {
    DDX_CBString(dx, kSizes, fields.sizes);
    DDX_CBString(dx, kPorts, fields.ports);
    DDX_Check(dx, kSwitch, fields.switchState);
    DDX_Text(dx, kNumber, fields.number);
    DDV_MaxChars(dx, fields.number, 3);
    DDX_CBString(dx, kLast, fields.last);
  }

  BOOL OnCommand(UINT id, UINT notifyCode) override {
    commands.emplace_back(static_cast<int>(id), notifyCode);
    return CDialog::OnCommand(id, notifyCode);
  }

  HBRUSH OnCtlColor(CDC* dc, CDlgItem* item, UINT ctlColor) override {
    const HBRUSH brush = CDialog::OnCtlColor(dc, item, ctlColor);
    colourQueries.emplace_back(item->GetDlgCtrlID(), ctlColor);
    if (item->GetDlgCtrlID() == kRedLabel) dc->SetTextColor(RGB(192, 0, 0));
    return brush;
  }
};

}  // namespace dialog_test
