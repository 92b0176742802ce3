#include "platform/win32/win32_common_dialogs.h"

// <windows.h> comes before the headers that need it.
// clang-format off
#include <windows.h>
#include <commdlg.h>
// clang-format on

#include <cstdio>
#include <vector>

#include "platform/desktop/file_filter.h"

namespace platform::win32 {

int nativeMessageBox(NativeWindow owner, const std::string& text, const std::string& caption,
                     unsigned style) {
  return MessageBoxA(reinterpret_cast<HWND>(owner), text.c_str(), caption.c_str(), style);
}

std::string messageBoxText(const std::string& text, const std::string& detail) {
  return detail.empty() ? text : text + "\n\n" + detail;
}

std::string win32FileFilter(const std::string& frameworkFilter, const std::string& initialName) {
  std::string result;
  for (const auto& entry : desktop::dialogFilterEntries(frameworkFilter, initialName)) {
    result += entry.description + '\0' + entry.patterns + '\0';
  }
  if (result.empty()) return {};
  result += '\0';
  return result;
}

bool runNativeFileDialog(NativeFileRequest& request) {
  std::vector<char> file(4 * MAX_PATH, '\0');
  request.initialFileName.copy(file.data(), file.size() - 1);
  // The first entry is selected: the initial name's own, when it has one.
  const std::string filter = win32FileFilter(request.filter, request.initialFileName);
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
