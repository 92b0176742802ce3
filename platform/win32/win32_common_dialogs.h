// The system's own modal boxes: message boxes and the open and save file
// dialogs. Their loops deliver the thread's timer messages as any loop does.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win32/native_window.h"

namespace platform::win32 {

// style goes to MessageBoxA as given; returns the button pressed.
int nativeMessageBox(NativeWindow owner, const std::string& text, const std::string& caption,
                     unsigned style);

// A box has no details area: the detail follows the text after a blank line.
std::string messageBoxText(const std::string& text, const std::string& detail);

struct NativeFileRequest {
  bool open = true;
  std::string defaultExtension;
  std::string initialFileName;
  std::uint32_t flags = 0;
  std::string filter;  // "desc|pattern|...||"
  NativeWindow owner = 0;
  std::string chosenPath;  // set when the user confirms
};

// Runs the explorer-style dialog. On confirmation the chosen file's folder
// becomes the current directory and chosenPath holds the full path.
bool runNativeFileDialog(NativeFileRequest& request);

// The entries of the framework's "desc|pattern|desc|pattern||", after the
// initial name's own entry when it holds a wildcard, as OPENFILENAME wants
// them: each field ended by a NUL and the list by a second NUL.
std::string win32FileFilter(const std::string& frameworkFilter, const std::string& initialName);

}  // namespace platform::win32
