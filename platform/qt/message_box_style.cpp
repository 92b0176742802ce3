#include "platform/qt/message_box_style.h"

namespace platform::qt {

namespace {
constexpr UINT kButtonMask = 0x0F;
constexpr UINT kIconMask = 0xF0;
constexpr UINT kIconQuestion = 0x20;
constexpr UINT kIconInformation = 0x40;
}  // namespace

BoxLayout boxLayoutForStyle(UINT style) {
  BoxLayout layout;
  // Button sets other than OK and OK/Cancel are not used; they show OK/Cancel
  // so that the user can always decline.
  layout.buttons = (style & kButtonMask) == MB_OK ? BoxButtons::Ok : BoxButtons::OkCancel;
  switch (style & kIconMask) {
    case MB_ICONHAND:
      layout.icon = BoxIcon::Stop;
      break;
    case kIconQuestion:
      layout.icon = BoxIcon::Question;
      break;
    case MB_ICONEXCLAMATION:
      layout.icon = BoxIcon::Exclamation;
      break;
    case kIconInformation:
      layout.icon = BoxIcon::Information;
      break;
    default:
      layout.icon = BoxIcon::None;
      break;
  }
  return layout;
}

int dismissResult(BoxButtons buttons) { return buttons == BoxButtons::Ok ? IDOK : IDCANCEL; }

}  // namespace platform::qt
