// One control of a dialog as the system sees it: its caption or typed text,
// its list, selection, check mark, text limit, enabled state and text colour.
// The dialog's backend shows the control and reports the user's changes back
// into it, so this object is always the current state of the control.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/framework/dialog_template.h"
#include "platform/framework/wintypes.h"

class CDialog;

inline constexpr int CB_ERR = -1;

inline constexpr int BST_UNCHECKED = 0;
inline constexpr int BST_CHECKED = 1;
inline constexpr int BST_INDETERMINATE = 2;

class CDlgItem {
 public:
  CDlgItem(CDialog& owner, const platform::ControlTemplate& controlTemplate);
  CDlgItem(const CDlgItem&) = delete;
  CDlgItem& operator=(const CDlgItem&) = delete;

  int GetDlgCtrlID() const { return m_template->id; }
  platform::ControlKind kind() const { return m_template->kind; }
  const platform::ControlTemplate& controlTemplate() const { return *m_template; }

  // Caption of buttons, labels and group boxes; the shown text of an edit
  // field or of a drop-down.
  std::string GetWindowText() const { return m_text; }
  void SetWindowText(const std::string& text);

  // Drop-down list.
  int AddString(const std::string& item);
  int GetCount() const { return static_cast<int>(m_items.size()); }
  std::string GetLBText(int index) const;
  const std::vector<std::string>& items() const { return m_items; }
  int GetCurSel() const { return m_curSel; }
  // Selects the item and shows its text; -1 clears the selection and the
  // text. Returns CB_ERR for an index outside the list.
  int SetCurSel(int index);
  // Selects the first item after startAfter (-1: from the top, wrapping
  // round) that begins with prefix, without regard to case, and shows its
  // text. Returns the index, or CB_ERR with nothing changed.
  int SelectString(int startAfter, const std::string& prefix);

  // Check box.
  int GetCheck() const { return m_check; }
  void SetCheck(int state);

  // Edit field (and a drop-down's edit field): the most characters the user
  // can type; 0 is no limit. Text set by the program is never cut.
  void LimitText(int maxChars);
  int textLimit() const { return m_textLimit; }

  BOOL EnableWindow(BOOL enable);
  BOOL IsWindowEnabled() const { return m_enabled ? TRUE : FALSE; }
  void SetFocus();

  // Text colour chosen by the dialog's colouring hook; none keeps the default.
  std::optional<COLORREF> textColor() const { return m_textColor; }
  void setTextColor(std::optional<COLORREF> color) { m_textColor = color; }

  // What the user does, reported by the backend. These change the state
  // without echoing it back to the backend, which already shows it.
  // Typing replaces the text, cut to the text limit as typing would be.
  void userTypeText(const std::string& text);
  void userSelectItem(int index);
  void userSetCheck(int state) { m_check = state; }

 private:
  void changed();

  CDialog* m_owner;
  const platform::ControlTemplate* m_template;
  std::string m_text;
  std::vector<std::string> m_items;
  int m_curSel = CB_ERR;
  int m_check = BST_UNCHECKED;
  int m_textLimit = 0;
  bool m_enabled = true;
  std::optional<COLORREF> m_textColor;
};

// True when text begins with prefix, letters compared without regard to case.
bool beginsWithIgnoringCase(const std::string& text, const std::string& prefix);
