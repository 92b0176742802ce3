// A window of the framework substitute. The backend delivers messages through
// the Dispatch* entry points; classes override the On* handlers.
#pragma once

#include <string>

#include "platform/framework/ccmdtarget.h"
#include "platform/framework/window_system.h"

class CMenu;

class CWnd : public CCmdTarget {
 public:
  CWnd() = default;
  ~CWnd() override;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  platform::WindowHandle m_hWnd = platform::kNoWindow;
  platform::WindowHandle GetSafeHwnd() const { return m_hWnd; }

  // Creates the native window for this object.
  BOOL CreateNative(platform::WindowKind kind, CWnd* parent, const CREATESTRUCT& cs);
  void DestroyWindow();

  void GetClientRect(CRect* rect) const;
  void SetWindowText(const std::string& text);
  std::string GetWindowText() const;
  void ShowWindow();
  void UpdateWindow();
  void Invalidate();
  void DragAcceptFiles(BOOL accept = TRUE);

  // Timers. A period below the platform minimum of 10 ms runs at 10 ms.
  UINT_PTR SetTimer(UINT_PTR id, UINT periodMs, void* callback);
  BOOL KillTimer(UINT_PTR id);

  // Caret.
  void CreateSolidCaret(int width, int height);
  void ShowCaret();
  void HideCaret();
  static void SetCaretPos(CPoint point);

  // detail: the reason and what to do, in the box's details area where it has one.
  int MessageBox(const std::string& text, const std::string& caption = "", UINT style = MB_OK,
                 const std::string& detail = {});

  // Hands a message to the default window procedure (nothing to do here).
  void Default() {}

  // Entry points through which the backend delivers messages.
  void DispatchTimer(UINT_PTR id) { OnTimer(id); }
  void DispatchKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) { OnKeyDown(nChar, nRepCnt, nFlags); }
  void DispatchPaint() { OnPaint(); }
  void DispatchInitMenuPopup(CMenu* popup, UINT index, BOOL sysMenu) {
    OnInitMenuPopup(popup, index, sysMenu);
  }
  BOOL DispatchCommand(UINT id) { return OnCmdMsg(id); }
  void DispatchDropFiles(const std::string& path) { OnDropFiles(path); }
  void DispatchClose() { OnClose(); }

  // Smallest timer period the platform runs.
  static constexpr UINT kMinimumTimerPeriodMs = 10;

 protected:
  virtual void OnTimer(UINT_PTR /*id*/) {}
  virtual void OnKeyDown(UINT /*nChar*/, UINT /*nRepCnt*/, UINT /*nFlags*/) {}
  virtual void OnPaint();
  virtual void OnInitMenuPopup(CMenu* /*popup*/, UINT /*index*/, BOOL /*sysMenu*/) {}
  virtual void OnDropFiles(const std::string& /*path*/) {}
  virtual void OnClose() {}
};

// Caret services that are not tied to one window.
void DestroyCaret();
void SetCaretBlinkTime(UINT ms);
const platform::CaretState& currentCaret();
void resetCaretForTests();

// Asks for the platform's finest timer step while the ports are connected.
void SetFineTimerStep(bool fine);

// Ends the process through the platform (observed, not performed, in tests).
[[noreturn]] void AfxExitProcess(int status);

// A message box owned by the given window, or by none (kNoWindow).
int ShowMessageBox(platform::WindowHandle owner, const std::string& text,
                   const std::string& caption, UINT style, const std::string& detail = {});
