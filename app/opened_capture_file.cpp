#include "app/opened_capture_file.h"

#include "capture/capture_files.h"
#include "view/korvane_view.h"

// Loads path into the store as Read file does, with the same messages.
void showOpenedCaptureFile(CKORVANEView& view, const std::string& path) {
  loadCaptureFileIntoView(view, path);
}
