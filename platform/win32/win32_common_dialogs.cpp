#include "platform/win32/win32_common_dialogs.h"

// <windows.h> comes before the headers that need it.
// clang-format off
#include <windows.h>
#include <commdlg.h>
// clang-format on

#include <cstdio>
#include <vector>

namespace platform::win32 {

int nativeMessageBox(NativeWindow owner, const std::string& text, const std::string& caption,
                     unsigned style) {
  return MessageBoxA(reinterpret_cast<HWND>(owner), text.c_str(), caption.c_str(), style);
}

std::string messageBoxText(const std::string& text, const std::string& detail) {
  return detail.empty() ? text : text + "\n\n" + detail;
}

std::string win32FileFilter(const std::string& frameworkFilter) {
  std::vector<std::string> fields;
  std::string::size_type start = 0;
  for (;;) {
    const auto end = frameworkFilter.find('|', start);
    fields.push_back(frameworkFilter.substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  std::string result;
  for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
    if (fields[i].empty() || fields[i + 1].empty()) break;
    result += fields[i];
    result += '\0';
    result += fields[i + 1];
    result += '\0';
  }
  if (result.empty()) return {};
  result += '\0';
  return result;
}

bool runNativeFileDialog(NativeFileRequest& request) {
  std::vector<char> file(4 * MAX_PATH, '\0');
  request.initialFileName.copy(file.data(), file.size() - 1);
  const std::string filter = win32FileFilter(request.filter);
  OPENFILENAMEA dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = reinterpret_cast<HWND>(request.owner);
  dialog.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrDefExt =
      request.defaultExtension.empty() ? nullptr : request.defaultExtension.c_str();
  dialog.Flags = request.flags | OFN_EXPLORER;
  const BOOL chosen = request.open ? GetOpenFileNameA(&dialog) : GetSaveFileNameA(&dialog);
  if (!chosen) {
    const DWORD error = CommDlgExtendedError();
    if (error != 0) {
      char text[200];
      std::snprintf(text, sizeof text,
                    "The file dialog could not be shown (common dialog error 0x%04lX). "
                    "Try again, or use a shorter path.",
                    static_cast<unsigned long>(error));
      MessageBoxA(dialog.hwndOwner, text, "KORVANE", MB_OK | MB_ICONHAND);
    }
    return false;
  }
  request.chosenPath = file.data();
  // The bare file name must open the chosen file afterwards.
  if (dialog.nFileOffset > 0 && dialog.nFileOffset <= request.chosenPath.size()) {
    const std::string folder = request.chosenPath.substr(0, dialog.nFileOffset);
    SetCurrentDirectoryA(folder.c_str());
  }
  return true;
}

}  // namespace platform::win32
