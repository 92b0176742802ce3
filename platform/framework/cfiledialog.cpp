#include "platform/framework/cfiledialog.h"

#include <filesystem>

#include "platform/framework/cwinapp.h"
#include "platform/framework/cwnd.h"
#include "platform/framework/window_system.h"

namespace {
std::string orEmpty(const char* text) {
  return text != nullptr ? std::string(text) : std::string();
}
}  // namespace

CFileDialog::CFileDialog(BOOL openFileDialog, const char* defaultExt, const char* fileName,
                         DWORD flags, const char* filter, CWnd* parent)
    : open_(openFileDialog),
      defaultExt_(orEmpty(defaultExt)),
      initialFileName_(orEmpty(fileName)),
      flags_(flags),
      filter_(orEmpty(filter)),
      parent_(parent) {}

int CFileDialog::DoModal() {
  platform::FileDialogRequest request;
  request.open = open_ != FALSE;
  request.defaultExtension = defaultExt_;
  request.initialFileName = initialFileName_;
  request.flags = flags_;
  request.filter = filter_;
  CWnd* owner = parent_;
  if (owner == nullptr && AfxGetApp() != nullptr) owner = AfxGetApp()->m_pMainWnd;
  request.owner = owner != nullptr ? owner->GetSafeHwnd() : platform::kNoWindow;
  if (!platform::windowSystem().runFileDialog(request) || request.chosenPath.empty()) {
    return IDCANCEL;
  }
  pathName_ = request.chosenPath;
  return IDOK;
}

std::string CFileDialog::GetFileName() const {
  return std::filesystem::path(pathName_).filename().string();
}
