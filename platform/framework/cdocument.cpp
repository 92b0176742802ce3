#include "platform/framework/cdocument.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <system_error>

BOOL CDocument::OnNewDocument() {
  DeleteContents();
  pathName_.clear();
  SetModifiedFlag(FALSE);
  return TRUE;
}

BOOL CDocument::OnOpenDocument(const std::string& path) {
  // Only a regular file can be a document: a directory would open but not
  // read, and a FIFO or device could block the user-interface thread.
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return FALSE;
  std::ifstream in(path, std::ios::binary);
  if (!in.is_open()) return FALSE;
  DeleteContents();
  CArchive archive(in);
  Serialize(archive);
  SetModifiedFlag(FALSE);
  return TRUE;
}

void CDocument::SetPathName(const std::string& path) {
  pathName_ = path;
  SetTitle(std::filesystem::path(path).filename().string());
}

BOOL CDocument::OnCmdMsg(UINT id) {
  static constexpr std::array<CommandMapEntry<CDocument>, 1> map{{
      {ID_FILE_SAVE, &CDocument::OnFileSave},
  }};
  return dispatchCommandMap<CDocument>(*this, map, id);
}
