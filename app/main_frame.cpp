#include "app/main_frame.h"

#include "capture/monitor_state.h"
#include "res/resource.h"

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs) {
  if (!CFrameWnd::PreCreateWindow(cs)) return FALSE;
  // The position stays the platform's default.
  cs.cx = kWidthPx;
  cs.cy = kHeightPx;
  return TRUE;
}

void CMainFrame::OnInitMenuPopup(CMenu* popup, UINT index, BOOL sysMenu) {
  CFrameWnd::OnInitMenuPopup(popup, index, sysMenu);
  // Whichever popup opens, the Action popup is brought up to date.
  CMenu* bar = GetMenu();
  CMenu* action = bar != nullptr ? bar->GetSubMenu(kActionMenuIndex) : nullptr;
  if (action == nullptr) return;
  if (monitorState.connected != 0) {
    action->EnableMenuItem(ID_CONNECT, MF_BYCOMMAND | MF_DISABLED | MF_GRAYED);
    action->EnableMenuItem(ID_DISCONNECT, MF_BYCOMMAND | MF_ENABLED);
  } else {
    action->EnableMenuItem(ID_DISCONNECT, MF_BYCOMMAND | MF_DISABLED | MF_GRAYED);
    action->EnableMenuItem(ID_CONNECT, MF_BYCOMMAND | MF_ENABLED);
  }
}
