// The Qt window of a modal dialog of the framework substitute. The window
// system asks for the window when the dialog's native window is created, runs
// the dialog through runQtDialog and ends it through endQtDialog.
#pragma once

class CWnd;
class CDialog;
class QDialog;
class QWidget;

namespace platform::qt {

// Creates the top-level window of a dialog object (owned by the caller).
QDialog* createQtDialogWindow(CWnd& dialog, QWidget* parent);

// Builds the dialog's contents from its template, calls OnInitDialog and runs
// the nested loop until the dialog ends; returns the EndDialog result.
int runQtDialog(CDialog& dialog, QDialog& window);

// Ends the dialog's nested loop with the result (also before it started).
void endQtDialog(CDialog& dialog, QDialog& window, int result);

}  // namespace platform::qt
