// The Qt window of a modal dialog of the framework substitute. The window
// system asks for the window when the dialog's native window is created, runs
// the dialog through runQtDialog and ends it through endQtDialog. The widgets
// are built from the dialog's template and kept in step with its controls.
#pragma once

#include <QRect>

class CWnd;
class CDialog;
class QDialog;
class QFont;
class QWidget;

namespace platform::qt {

// Creates the top-level window of a dialog object (owned by the caller).
QDialog* createQtDialogWindow(CWnd& dialog, QWidget* parent);

// Builds the dialog's contents from its template, calls OnInitDialog and runs
// the nested loop until the dialog ends; returns the EndDialog result.
int runQtDialog(CDialog& dialog, QDialog& window);

// Ends the dialog's nested loop with the result (also before it started).
void endQtDialog(CDialog& dialog, QDialog& window, int result);

// A font's dialog base units: the average width of the letters A-Z and a-z,
// and the line height, in pixels.
struct DialogBaseUnits {
  int x = 0;
  int y = 0;
};
DialogBaseUnits dialogBaseUnits(const QFont& font);
// A rectangle in dialog units as pixels: x * baseX / 4 across, y * baseY / 8 down.
QRect dialogUnitsToPixels(const QRect& units, DialogBaseUnits base);

}  // namespace platform::qt
