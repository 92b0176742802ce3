#include "platform/framework/cdialog.h"

int CDialog::DoModal() { return platform::windowSystem().runModalDialog(*this); }

void CDialog::EndDialog(int result) { platform::windowSystem().endModalDialog(*this, result); }

BOOL CDialog::UpdateData(BOOL /*saveAndValidate*/) { return TRUE; }

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }
