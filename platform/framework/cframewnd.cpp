#include "platform/framework/cframewnd.h"

#include "platform/framework/cdocument.h"
#include "platform/framework/cview.h"
#include "platform/framework/cwinapp.h"

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT& /*cs*/) { return TRUE; }

BOOL CFrameWnd::LoadFrame(UINT resourceId, const platform::ResourceModule& resources,
                          const std::string& title) {
  CREATESTRUCT cs;
  if (!PreCreateWindow(cs)) return FALSE;
  if (!CreateNative(platform::WindowKind::Frame, nullptr, cs)) return FALSE;
  title_ = title;
  menu_ = resources.loadMenu(resourceId);
  accelerators_ = resources.loadAccelerators(resourceId);
  auto& system = platform::windowSystem();
  if (menu_) system.setMenu(m_hWnd, menu_.get());
  system.setAccelerators(m_hWnd, accelerators_);
  const auto icon = resources.loadIcon(resourceId);
  if (!icon.empty()) system.setWindowIcon(m_hWnd, icon);
  SetWindowText(title_);
  return TRUE;
}

CDocument* CFrameWnd::GetActiveDocument() const {
  return activeView_ != nullptr ? activeView_->GetDocument() : nullptr;
}

void CFrameWnd::OnUpdateFrameTitle() {
  const CDocument* document = GetActiveDocument();
  SetWindowText(document != nullptr ? document->GetTitle() + " - " + title_ : title_);
}

BOOL CFrameWnd::OnCmdMsg(UINT id) {
  if (activeView_ != nullptr && activeView_->OnCmdMsg(id)) return TRUE;
  if (CDocument* document = GetActiveDocument(); document != nullptr && document->OnCmdMsg(id)) {
    return TRUE;
  }
  if (OnFrameCommand(id)) return TRUE;
  if (CWinApp* app = AfxGetApp(); app != nullptr && app->OnCmdMsg(id)) return TRUE;
  return FALSE;
}

BOOL CFrameWnd::TranslateAccelerator(UINT virtualKey, BYTE modifiers) {
  constexpr BYTE kModifierMask = FSHIFT | FCONTROL | FALT;
  for (const ACCEL& entry : accelerators_) {
    if (entry.key == virtualKey && (entry.fVirt & kModifierMask) == (modifiers & kModifierMask)) {
      OnCmdMsg(entry.cmd);
      return TRUE;
    }
  }
  return FALSE;
}

void CFrameWnd::OnInitMenuPopup(CMenu* /*popup*/, UINT /*index*/, BOOL /*sysMenu*/) {}

void CFrameWnd::OnDropFiles(const std::string& path) {
  if (CWinApp* app = AfxGetApp(); app != nullptr && app->OpenDocumentFile(path) == nullptr) {
    app->ReportOpenFailure(path);
  }
}

void CFrameWnd::OnClose() { platform::windowSystem().quitMessageLoop(0); }
