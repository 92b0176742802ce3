#include "setup/setup_dlg.h"

#include "res/dialog_templates.h"

CSetupDlg::CSetupDlg(CWnd* parent) : CDialog(setupDialogTemplate(), parent) {}

// The dialog's window side; completed with the dialog's controls.
BOOL CSetupDlg::OnInitDialog() { return CDialog::OnInitDialog(); }
void CSetupDlg::OnOK() { CDialog::OnOK(); }
void CSetupDlg::OnDisable() {}
void CSetupDlg::DoDataExchange(CDataExchange* /*dx*/) {}
