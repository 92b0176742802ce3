// Acts as the user on a dialog that a test's dialog handler was given:
// typing, picking list items, clicking, Enter, Escape and the close box,
// and reading back what each control shows.
#pragma once

#include <stdexcept>
#include <string>

#include "platform/framework/cdialog.h"

namespace headless {

class DialogDriver {
 public:
  explicit DialogDriver(CDialog& dialog) : dialog_(dialog) {}

  CDlgItem& item(int id) const {
    CDlgItem* found = dialog_.GetDlgItem(id);
    if (found == nullptr) throw std::out_of_range("no control " + std::to_string(id));
    return *found;
  }

  // Replaces the text of an edit field or drop-down as typing would, cut to
  // the field's text limit; ignored while the control is disabled.
  void type(int id, const std::string& text) const {
    CDlgItem& control = item(id);
    if (control.IsWindowEnabled()) control.userTypeText(text);
  }
  // Picks a drop-down's list item by index.
  void pick(int id, int index) const {
    CDlgItem& control = item(id);
    if (control.IsWindowEnabled()) control.userSelectItem(index);
  }
  void click(int id) const { dialog_.DispatchClicked(id); }
  void enter() const { dialog_.DispatchEnter(); }
  void escape() const { dialog_.DispatchCancel(); }
  void closeBox() const { dialog_.DispatchClose(); }

  std::string text(int id) const { return item(id).GetWindowText(); }
  int selection(int id) const { return item(id).GetCurSel(); }
  bool checked(int id) const { return item(id).GetCheck() == BST_CHECKED; }
  // Id of the control with the focus; -2 when none has it.
  int focusId() const {
    const CDlgItem* focus = dialog_.focusItem();
    return focus != nullptr ? focus->GetDlgCtrlID() : -2;
  }

 private:
  CDialog& dialog_;
};

}  // namespace headless
