#include "res/dialog_templates.h"

// Template 130, the setup dialog. The controls are filled in with the dialog.
const platform::DialogTemplate& setupDialogTemplate() {
  static const platform::DialogTemplate dialog{
      .id = IDD_SETUP, .caption = "Korvane ", .fontName = "System", .pointSize = 10,
      .cx = 288, .cy = 147, .controls = {}};
  return dialog;
}
