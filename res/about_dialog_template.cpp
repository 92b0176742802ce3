#include "res/dialog_templates.h"
#include "res/resource.h"

namespace {

platform::ControlTemplate control(int id, platform::ControlKind kind, const char* caption, int x,
                                  int y, int cx, int cy) {
  platform::ControlTemplate result;
  result.id = id;
  result.kind = kind;
  result.caption = caption;
  result.x = x;
  result.y = y;
  result.cx = cx;
  result.cy = cy;
  return result;
}

platform::DialogTemplate makeAboutTemplate() {
  using platform::ControlKind;
  platform::DialogTemplate dialog;
  dialog.id = IDD_ABOUTBOX;
  dialog.caption = "About KORVANE";
  dialog.fontName = "MS Sans Serif";
  dialog.pointSize = 8;
  dialog.cx = 235;
  dialog.cy = 83;

  auto icon = control(-1, ControlKind::Icon, "", 11, 17, 20, 20);
  icon.iconId = static_cast<int>(IDR_MAINFRAME);
  auto version = control(-1, ControlKind::Label, "KORVANE Version 1.4", 40, 10, 119, 8);
  version.noPrefix = true;
  auto ok = control(IDOK, ControlKind::DefPushButton, "OK", 178, 7, 50, 14);
  ok.tabStop = true;
  dialog.controls = {icon, version, ok};
  return dialog;
}

}  // namespace

// Template 100, the about box.
const platform::DialogTemplate& aboutDialogTemplate() {
  static const platform::DialogTemplate dialog = makeAboutTemplate();
  return dialog;
}
