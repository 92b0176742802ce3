// Modal dialogs built from a template.
#pragma once

#include "platform/framework/cwnd.h"

class CDataExchange;

class CDialog : public CWnd {
 public:
  CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_pParentWnd(parent) {}

  UINT GetTemplateId() const { return m_templateId; }
  CWnd* GetParentWnd() const { return m_pParentWnd; }

  // Runs the dialog modally; returns IDOK, IDCANCEL or the EndDialog result.
  virtual int DoModal();
  void EndDialog(int result);

  // Moves data between controls and members: FALSE loads the controls,
  // TRUE saves from them with validation. Returns FALSE when a validation failed.
  BOOL UpdateData(BOOL saveAndValidate = TRUE);

  // Called by the backend once the dialog's controls exist.
  virtual BOOL OnInitDialog();
  virtual void OnOK();
  virtual void OnCancel();

 protected:
  virtual void DoDataExchange(CDataExchange* /*dx*/) {}

 private:
  UINT m_templateId;
  CWnd* m_pParentWnd;
};
