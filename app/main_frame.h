// The main frame: a 720 x 500 window whose client area is the view alone (no
// tool bar, no status bar), and which enables Connect or Disconnect each time
// a popup of its menu opens.
#pragma once

#include "platform/framework/cframewnd.h"

class CMainFrame : public CFrameWnd {
 public:
  static constexpr const char* kClassName = "CMainFrame";
  static constexpr int kWidthPx = 720;
  static constexpr int kHeightPx = 500;
  // The "Action" popup's position on the menu bar.
  static constexpr int kActionMenuIndex = 1;

  BOOL PreCreateWindow(CREATESTRUCT& cs) override;

 protected:
  void OnInitMenuPopup(CMenu* popup, UINT index, BOOL sysMenu) override;
};
