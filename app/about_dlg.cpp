#include "app/about_dlg.h"

#include "res/dialog_templates.h"

// No parent window: the framework centres the box on the main window.
CAboutDlg::CAboutDlg() : CDialog(aboutDialogTemplate(), nullptr) {}

// The box shows fixed texts only; there is nothing to exchange.
void CAboutDlg::DoDataExchange(CDataExchange* /*dx*/) {}
