#include "platform/framework/cwinapp.h"

#include <cstdio>

#include "platform/diagnostics/diagnostic_lines.h"
#include "platform/framework/cwnd.h"
#include "platform/framework/open_failure_reason.h"
#include "platform/framework/window_system.h"

namespace {
CWinApp* theApp = nullptr;

// Flags of the open dialog: the file must exist; no read-only check box.
constexpr DWORD kOpenFileMustExist = 0x1000;
constexpr DWORD kOpenHideReadOnly = 0x0004;
}  // namespace

CWinApp* AfxGetApp() { return theApp; }

CWinApp::CWinApp(std::string appName, const platform::ResourceModule& resources)
    : appName_(std::move(appName)), resources_(resources) {
  theApp = this;
}

CWinApp::~CWinApp() {
  docTemplate_.reset();
  if (theApp == this) theApp = nullptr;
}

int CWinApp::Run() { return platform::windowSystem().runMessageLoop(); }

int CWinApp::ExitInstance() {
  if (docTemplate_) docTemplate_->CloseAllDocuments();
  m_pMainWnd = nullptr;
  return 0;
}

void CWinApp::AddDocTemplate(std::unique_ptr<CSingleDocTemplate> docTemplate) {
  docTemplate_ = std::move(docTemplate);
}

CDocument* CWinApp::OpenDocumentFile(const std::string& path) {
  return docTemplate_ ? docTemplate_->OpenDocumentFile(&path) : nullptr;
}

void CWinApp::ReportOpenFailure(const std::string& path) {
  const platform::WindowHandle owner =
      m_pMainWnd != nullptr ? m_pMainWnd->GetSafeHwnd() : platform::kNoWindow;
  std::string reason = openFailureReason(path);
  if (reason.empty()) reason = "the file could not be read as a document";
  platform::writeDiagnosticLine(appName_ + ": cannot open " + path + ": " + reason);
  ShowMessageBox(owner, "Cannot open " + path, appName_, MB_OK | MB_ICONSTOP, reason);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) const {
  bool optionsEnded = false;
  for (const std::string& argument : arguments_) {
    if (!optionsEnded && argument == "--") {
      optionsEnded = true;
      continue;
    }
    if (!optionsEnded && argument.size() > 1 && argument.front() == '-') continue;
    if (info.m_strFileName.empty()) {
      info.m_strFileName = argument;
      info.m_nShellCommand = CCommandLineInfo::FileOpen;
    }
  }
}

BOOL CWinApp::ProcessShellCommand(const CCommandLineInfo& info) {
  switch (info.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
      OnFileNew();
      return m_pMainWnd != nullptr ? TRUE : FALSE;
    case CCommandLineInfo::FileOpen:
      if (OpenDocumentFile(info.m_strFileName) == nullptr) {
        // Told in a box without an owner, as no window exists yet: a
        // program started from a file manager has no console to read.
        ReportOpenFailure(info.m_strFileName);
        return FALSE;
      }
      return TRUE;
  }
  return FALSE;
}

void CWinApp::OnFileNew() {
  if (docTemplate_) docTemplate_->OpenDocumentFile(nullptr);
}

void CWinApp::OnFileOpen() {
  if (!docTemplate_) return;
  platform::FileDialogRequest request;
  request.open = true;
  request.flags = kOpenFileMustExist | kOpenHideReadOnly;
  request.filter = docTemplate_->GetFileDialogFilter();
  request.owner = m_pMainWnd != nullptr ? m_pMainWnd->GetSafeHwnd() : platform::kNoWindow;
  if (!platform::windowSystem().runFileDialog(request) || request.chosenPath.empty()) return;
  if (OpenDocumentFile(request.chosenPath) == nullptr) ReportOpenFailure(request.chosenPath);
}

int AfxWinMain(int argc, char** argv) {
  CWinApp* app = AfxGetApp();
  if (app == nullptr) return 1;
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.emplace_back(argv[i]);
  app->SetCommandLine(std::move(arguments));
  if (!app->InitInstance()) {
    app->ExitInstance();
    return 1;
  }
  const int code = app->Run();
  app->ExitInstance();
  return code;
}
