#include "app/opened_capture_file.h"

#include "view/korvane_view.h"

// Hook for the capture-file reader: loads path into the store as Read file
// does. Left empty until the reader can load a named file.
void showOpenedCaptureFile(CKORVANEView& /*view*/, const std::string& /*path*/) {}
