// The monitor view: the one view window of the frame. It owns the display
// font, the caret and the poll timer, carries out Connect, Disconnect and the
// restart command, runs the poll cycle on every tick, draws the hex dump and
// moves the caret with the cursor and page keys.
#pragma once

#include "platform/framework/cdc.h"
#include "platform/framework/cview.h"

class CSetupDlg;

class CKORVANEView : public CView {
 public:
  CKORVANEView() = default;
  ~CKORVANEView() override;

  static constexpr const char* kClassName = "CKORVANEView";
  static constexpr UINT_PTR kPollTimerId = 1;

  void OnInitialUpdate() override;
  BOOL OnCmdMsg(UINT id) override;

  // Command handlers.
  void OnConnect();
  void OnDisconnect();
  void OnRestartCapture();
  void OnReadFile();
  void OnSaveFile();

  // Draws up to 22 rows from topRow, then puts the caret in place.
  void DrawCapture();
  // Puts the caret on cell `column` of record `row`'s screen row and shows it.
  void PlaceCaret(int column, int row);

  const CFont& displayFont() const { return m_displayFont; }

 protected:
  void OnDraw(CDC* dc) override;
  void OnTimer(UINT_PTR id) override;
  void OnKeyDown(UINT nChar, UINT nRepCnt, UINT nFlags) override;
  void OnPaint() override;

 private:
  friend class ViewPollHost;

  // Starts (or replaces) the poll timer with the current polling period.
  void startPollTimer();
  // Ends a capture whose store ran full: closes the ports and tells the
  // user once, however many ticks arrive while the notice is up.
  void stopCaptureOnFullStore(CSetupDlg& setup);

  CFont m_displayFont;
};
