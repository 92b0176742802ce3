// Dialog data exchange: moves values between a dialog's controls and its
// members, in the order the dialog lists them, with validation on the way out.
#pragma once

#include <cstdint>
#include <string>

#include "platform/framework/wintypes.h"

class CDialog;
class CDlgItem;

class CDataExchange {
 public:
  CDataExchange(CDialog* dialog, BOOL saveAndValidate)
      : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dialog) {}

  BOOL m_bSaveAndValidate;  // TRUE: controls -> members, with validation
  CDialog* m_pDlgWnd;

  // The control for the next exchange step, remembered as the one a failed
  // validation puts the focus on. nullptr once the exchange has stopped, or
  // when the dialog has no such control.
  CDlgItem* PrepareCtrl(int id);
  CDlgItem* PrepareEditCtrl(int id) { return PrepareCtrl(id); }
  CDlgItem* lastControl() const { return m_lastControl; }

  // Ends the exchange at this step: the focus goes to the last prepared
  // control, and every later step does nothing.
  void Fail();
  bool failed() const { return m_failed; }

 private:
  CDlgItem* m_lastControl = nullptr;
  bool m_failed = false;
};

// A drop-down's text. Loading selects the first list item that begins with
// the value, without regard to case, else puts the value in its edit field;
// saving takes the text it shows.
void DDX_CBString(CDataExchange* dx, int id, std::string& value);
// The same, except that loading selects only a list item equal to the value
// (without regard to case): a value that merely begins an item is put in the
// edit field as it is, so the next save keeps it.
void DDX_CBStringExact(CDataExchange* dx, int id, std::string& value);
// A check box's state: 0 unchecked, 1 checked, 2 indeterminate.
void DDX_Check(CDataExchange* dx, int id, std::int32_t& value);
// An edit field's text.
void DDX_Text(CDataExchange* dx, int id, std::string& value);
// After DDX_Text on an edit field: loading limits typing to maxChars;
// saving fails when the value is longer, telling the user so.
void DDV_MaxChars(CDataExchange* dx, const std::string& value, int maxChars);

// The caption of the framework's own message boxes (validation failures):
// the application's name, or the name set here while no application exists.
const std::string& AfxGetAppName();
void AfxSetAppName(const std::string& name);
