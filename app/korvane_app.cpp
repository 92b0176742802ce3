#include "app/korvane_app.h"

#include <array>
#include <memory>

#include "app/about_dlg.h"
#include "app/korvane_doc.h"
#include "app/main_frame.h"
#include "app/opened_capture_file.h"
#include "res/resource.h"
#include "res/string_table.h"
#include "res/system_resources.h"
#include "serial/open_ports.h"
#include "setup/setup_dlg.h"
#include "view/korvane_view.h"

namespace {

const std::array<CommandMapEntry<CKORVANEApp>, 4> kCommandMap{{
    {ID_APP_ABOUT, &CKORVANEApp::OnAppAbout},
    {ID_SETUP, &CKORVANEApp::OnSetup},
    {ID_FILE_NEW, &CWinApp::OnFileNew},
    {ID_FILE_OPEN, &CWinApp::OnFileOpen},
}};

}  // namespace

CKORVANEApp::CKORVANEApp() : CWinApp(loadSystemString(AFX_IDS_APP_TITLE), systemResources()) {}

BOOL CKORVANEApp::InitInstance() {
  // The framework's embedded controls, three-dimensional look, per-user
  // profile and shell registration have no counterpart to switch on here:
  // the desktop entry and the capture-file type are installed with the
  // program, and the settings store keeps the only settings.
  AddDocTemplate(std::make_unique<CSingleDocTemplate>(
      IDR_MAINFRAME, GetResources(), [] { return std::make_unique<CKORVANEDoc>(); },
      [] { return std::make_unique<CMainFrame>(); },
      [] { return std::make_unique<CKORVANEView>(); }));

  CCommandLineInfo commandLine;
  ParseCommandLine(commandLine);
  if (!ProcessShellCommand(commandLine)) return FALSE;

  // Shown in its current size and position, updated at once, and open to
  // files dropped on it.
  m_pMainWnd->ShowWindow();
  m_pMainWnd->UpdateWindow();
  m_pMainWnd->DragAcceptFiles();
  return TRUE;
}

int CKORVANEApp::ExitInstance() {
  // Closing the window gives the ports back as they were found; what they
  // received is told before that.
  releaseOpenPorts();
  return CWinApp::ExitInstance();
}

CDocument* CKORVANEApp::OpenDocumentFile(const std::string& path) {
  CDocument* document = CWinApp::OpenDocumentFile(path);
  if (document == nullptr) return nullptr;
  // The template gave the view its initial update, which emptied the store;
  // the file's records go in after it.
  if (auto* view = dynamic_cast<CKORVANEView*>(GetDocTemplate()->GetView())) {
    showOpenedCaptureFile(*view, document->GetPathName());
  }
  return document;
}

BOOL CKORVANEApp::OnCmdMsg(UINT id) {
  return dispatchCommandMap<CKORVANEApp>(*this, kCommandMap, id);
}

void CKORVANEApp::OnAppAbout() {
  CAboutDlg aboutDlg;
  aboutDlg.DoModal();
}

void CKORVANEApp::OnSetup() {
  CSetupDlg dlg(nullptr);
  dlg.DoModal();
}
