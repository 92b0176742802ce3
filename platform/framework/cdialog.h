// Modal dialogs built from a template.
#pragma once

#include "platform/framework/cwnd.h"
#include "platform/framework/dialog_template.h"

class CDataExchange;

class CDialog : public CWnd {
 public:
  CDialog(const platform::DialogTemplate& dialogTemplate, CWnd* parent)
      : m_template(&dialogTemplate), m_pParentWnd(parent) {}

  const platform::DialogTemplate& GetTemplate() const { return *m_template; }
  UINT GetTemplateId() const { return m_template->id; }
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
  const platform::DialogTemplate* m_template;
  CWnd* m_pParentWnd;
};
