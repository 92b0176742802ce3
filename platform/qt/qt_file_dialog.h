// The framework's open and save dialogs on the toolkit's own file dialog.
#pragma once

#include "platform/framework/window_system.h"

class QWidget;

namespace platform::qt {

// Shows the dialog of the request, owned by the window of owner (none: no
// owner). It starts in the current folder, or in the home folder when the
// current one is gone. When the user confirms, request.chosenPath is the full
// path chosen and its folder becomes the current one.
bool runQtFileDialog(FileDialogRequest& request, QWidget* owner);

}  // namespace platform::qt
