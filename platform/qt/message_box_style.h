// What a message box style asks for: its icon and its buttons.
#pragma once

#include "platform/framework/wintypes.h"

namespace platform::qt {

enum class BoxIcon { None, Stop, Question, Exclamation, Information };
enum class BoxButtons { Ok, OkCancel };

struct BoxLayout {
  BoxIcon icon = BoxIcon::None;
  BoxButtons buttons = BoxButtons::Ok;
  bool operator==(const BoxLayout&) const = default;
};

BoxLayout boxLayoutForStyle(UINT style);

// The result of a box closed without a button (Escape, the close button):
// Cancel when the box has one, else OK.
int dismissResult(BoxButtons buttons);

}  // namespace platform::qt
