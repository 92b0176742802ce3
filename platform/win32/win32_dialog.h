// Modal dialogs made at run time from a template held in memory (a
// DLGTEMPLATE built from the control list), run by the dialog manager, with
// text colours per control and every user change reported back.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/native_window.h"

namespace platform::win32 {

enum class NativeControlKind {
  DefPushButton,
  PushButton,
  GroupBox,
  Label,
  ComboBox,
  CheckBox,
  Edit,
  Icon
};

struct NativeControl {
  int id = -1;  // -1: no id
  NativeControlKind kind = NativeControlKind::Label;
  std::string caption;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  bool tabStop = false;
  bool border = false;
  bool verticalScroll = false;
  bool noPrefix = false;
  bool centerVertically = false;
  std::optional<std::uint32_t> textColour;  // a COLORREF; none keeps the system's
  NativeIcon icon;                          // for an icon control
};

struct NativeDialog {
  std::string caption;
  std::string fontName;
  int pointSize = 8;
  int cx = 0;
  int cy = 0;
  std::vector<NativeControl> controls;
};

// The state the program gives a control.
struct NativeControlState {
  std::string text;
  std::vector<std::string> items;
  int selection = -1;
  int check = 0;
  int textLimit = 0;  // 0: none
  bool enabled = true;
};

// What the user does in a running dialog.
class NativeDialogEvents {
 public:
  virtual ~NativeDialogEvents() = default;
  // The controls exist; the dialog is not shown yet.
  virtual void initDialog(NativeWindow dialog) = 0;
  virtual void clicked(int id) = 0;
  // Enter without a default button, and Escape or the close box without a
  // CANCEL button.
  virtual void enter() = 0;
  virtual void cancel() = 0;
  virtual void textTyped(int id, const std::string& text) = 0;
  virtual void itemSelected(int id, int index) = 0;
  virtual void focused(int id) = 0;
};

// The in-memory template, in 16-bit words: DLGTEMPLATE with its caption
// and font, then one DLGITEMTEMPLATE per control, each on a 32-bit boundary.
std::vector<std::uint16_t> buildDialogTemplate(const NativeDialog& dialog);

// Runs the dialog modally over owner; the EndDialog result, -1 when the
// dialog could not be made (lastError then holds the system's error code).
int runNativeDialog(NativeWindow owner, const NativeDialog& dialog, NativeDialogEvents& events,
                    unsigned long* lastError);
void endNativeDialog(NativeWindow dialog, int result);

// Shows the program's change of a control (by id) in the running dialog.
void applyNativeControlState(NativeWindow dialog, int id, NativeControlKind kind,
                             const NativeControlState& state);
void focusNativeControl(NativeWindow dialog, int id);

}  // namespace platform::win32
