// The common file dialog: an open or save dialog that hands back the chosen
// file. When the user confirms, the chosen file's folder has become the
// current directory, so the bare file name opens the chosen file.
#pragma once

#include <string>

#include "platform/framework/wintypes.h"

class CWnd;

// The explorer-style dialog.
inline constexpr DWORD OFN_EXPLORER = 0x80000;

class CFileDialog {
 public:
  // defaultExt, fileName and filter may be null: none. Without a parent the
  // application's main window owns the dialog.
  CFileDialog(BOOL openFileDialog, const char* defaultExt = nullptr, const char* fileName = nullptr,
              DWORD flags = 0, const char* filter = nullptr, CWnd* parent = nullptr);

  // IDOK when the user chose a file, IDCANCEL otherwise.
  int DoModal();

  // The chosen file: with its folder, and without it.
  const std::string& GetPathName() const { return pathName_; }
  std::string GetFileName() const;

  BOOL IsOpenDialog() const { return open_; }
  const std::string& GetDefaultExt() const { return defaultExt_; }
  const std::string& GetInitialFileName() const { return initialFileName_; }
  DWORD GetFlags() const { return flags_; }
  const std::string& GetFilter() const { return filter_; }

 private:
  BOOL open_;
  std::string defaultExt_;
  std::string initialFileName_;
  DWORD flags_;
  std::string filter_;
  CWnd* parent_;
  std::string pathName_;
};
