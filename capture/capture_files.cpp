#include "view/korvane_view.h"

// Read file and Save File: completed with the capture-file commands.
void CKORVANEView::OnReadFile() {}
void CKORVANEView::OnSaveFile() {}
