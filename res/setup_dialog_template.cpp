#include <string>
#include <vector>

#include "res/dialog_templates.h"
#include "res/setup_dialog_ids.h"

namespace {

using platform::ControlKind;
using platform::ControlTemplate;

std::vector<std::string> comPortNames() {
  std::vector<std::string> names;
  for (int n = 1; n <= 99; ++n) names.push_back("COM" + std::to_string(n));
  return names;
}

const std::vector<std::string> kBaudRates{"110",   "300",   "600",    "1200",   "2400",
                                          "4800",  "9600",  "14400",  "19200",  "38400",
                                          "56000", "57600", "115200", "128000", "256000"};
const std::vector<std::string> kDataBits{"5", "6", "7", "8"};
const std::vector<std::string> kStopBits{"1", "2"};
const std::vector<std::string> kParities{"NONE", "EVEN", "ODD", "MARK", "SPACE"};
const std::vector<std::string> kMemorySizesMB{"1", "2", "4", "8", "16", "32"};

ControlTemplate button(int id, ControlKind kind, const char* caption, int x, int y) {
  return {.id = id,
          .kind = kind,
          .caption = caption,
          .x = x,
          .y = y,
          .cx = 50,
          .cy = 14,
          .tabStop = true};
}

ControlTemplate groupBox(int id, const char* caption, int x) {
  return {.id = id,
          .kind = ControlKind::GroupBox,
          .caption = caption,
          .x = x,
          .y = 7,
          .cx = 105,
          .cy = 107};
}

// The captions inside a port's group box: one line, centred vertically.
ControlTemplate portLabel(int id, const char* caption, int x, int y, int cy) {
  return {.id = id,
          .kind = ControlKind::Label,
          .caption = caption,
          .x = x,
          .y = y,
          .cx = 50,
          .cy = cy,
          .centerVertically = true};
}

ControlTemplate plainLabel(const char* caption, int x, int y, int cx, int cy) {
  return {
      .id = -1, .kind = ControlKind::Label, .caption = caption, .x = x, .y = y, .cx = cx, .cy = cy};
}

ControlTemplate dropDown(int id, int x, int y, int cy, std::vector<std::string> items) {
  return {.id = id,
          .kind = ControlKind::ComboBox,
          .x = x,
          .y = y,
          .cx = 41,
          .cy = cy,
          .tabStop = true,
          .verticalScroll = true,
          .listItems = std::move(items)};
}

}  // namespace

// Template 130, the setup dialog. Template order is also the tab order.
const platform::DialogTemplate& setupDialogTemplate() {
  static const platform::DialogTemplate dialog{
      .id = IDD_SETUP,
      .caption = "Korvane ",
      .fontName = "System",
      .pointSize = 10,
      .cx = 288,
      .cy = 147,
      .controls = {
          button(IDOK, ControlKind::DefPushButton, "SAVE", 230, 42),
          button(IDCANCEL, ControlKind::PushButton, "CANCEL", 231, 74),
          groupBox(-1, "PORT A", 10),
          groupBox(IDC_PORTB_GROUP, "PORT B", 120),
          portLabel(-1, "PORT :", 20, 19, 16),
          dropDown(IDC_PORT1, 70, 21, 59, comPortNames()),
          portLabel(IDC_PORTB_PORT_LABEL, "PORT :", 130, 19, 16),
          portLabel(-1, "BAUD RATE :", 20, 35, 15),
          portLabel(IDC_PORTB_BAUDRATE_LABEL, "BAUD RATE :", 130, 35, 15),
          portLabel(-1, "DATA BITS", 20, 50, 15),
          portLabel(IDC_PORTB_DATABITS_LABEL, "DATA BITS", 130, 50, 15),
          portLabel(-1, "STOP BIT :", 20, 65, 15),
          portLabel(IDC_PORTB_STOPBIT_LABEL, "STOP BIT :", 130, 65, 15),
          portLabel(-1, "PARITY :", 20, 80, 14),
          portLabel(IDC_PORTB_PARITY_LABEL, "PARITY :", 130, 80, 14),
          dropDown(IDC_BAUDRATE1, 70, 38, 59, kBaudRates),
          dropDown(IDC_PORT2, 179, 23, 59, comPortNames()),
          dropDown(IDC_BAUDRATE2, 179, 38, 59, kBaudRates),
          dropDown(IDC_DATABIT1, 70, 53, 41, kDataBits),
          dropDown(IDC_DATABIT2, 179, 53, 41, kDataBits),
          dropDown(IDC_STOPBIT1, 70, 68, 26, kStopBits),
          dropDown(IDC_STOPBIT2, 179, 68, 26, kStopBits),
          dropDown(IDC_PARITY1, 70, 82, 48, kParities),
          dropDown(IDC_PARITY2, 179, 82, 48, kParities),
          {.id = IDC_DISABLE,
           .kind = ControlKind::AutoCheckBox,
           .caption = "Disable",
           .x = 130,
           .y = 100,
           .cx = 41,
           .cy = 10,
           .tabStop = true},
          plainLabel("Memory Size :", 10, 126, 50, 8),
          plainLabel("MB", 102, 126, 12, 8),
          dropDown(IDC_MEMSIZE, 59, 124, 48, kMemorySizesMB),
          plainLabel("Polling Time :", 121, 126, 46, 9),
          {.id = IDC_POLLTIME,
           .kind = ControlKind::Edit,
           .x = 167,
           .y = 124,
           .cx = 35,
           .cy = 12,
           .tabStop = true,
           .border = true},
          plainLabel("ms", 204, 124, 11, 8),
      }};
  return dialog;
}
