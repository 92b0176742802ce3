// A capture file opened as the document (Ctrl+O, the command line, a file
// dropped on the window) is shown: its records are loaded as Read file loads
// them, with the same messages, after the view's initial update.
#pragma once

#include <string>

class CKORVANEView;

void showOpenedCaptureFile(CKORVANEView& view, const std::string& path);
