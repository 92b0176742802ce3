// A dialog template: caption, font, size and controls in dialog units, in
// template order (which is also the tab order of the tab stops).
#pragma once

#include <string>
#include <vector>

#include "platform/framework/wintypes.h"

namespace platform {

enum class ControlKind {
  DefPushButton,
  PushButton,
  GroupBox,
  Label,     // static text
  ComboBox,  // editable drop-down with a list
  AutoCheckBox,
  Edit,
  Icon,
};

struct ControlTemplate {
  int id = -1;  // -1: no id (IDC_STATIC)
  ControlKind kind = ControlKind::Label;
  std::string caption{};
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  bool tabStop = false;
  bool border = false;
  bool verticalScroll = false;
  bool noPrefix = false;  // no mnemonic processing of '&'
  bool centerVertically = false;
  int iconId = 0;  // for ControlKind::Icon
  // For ControlKind::ComboBox: the list the dialog's initialisation fills in.
  std::vector<std::string> listItems{};
};

struct DialogTemplate {
  UINT id = 0;
  std::string caption{};
  std::string fontName{};
  int pointSize = 8;
  int cx = 0;
  int cy = 0;
  std::vector<ControlTemplate> controls{};
};

}  // namespace platform
