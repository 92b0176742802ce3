#include "view/korvane_view.h"

#include <array>

#include "capture/monitor_state.h"
#include "capture/poll_cycle.h"
#include "capture/poll_period.h"
#include "res/resource.h"
#include "setup/setup_dlg.h"
#include "view/capture_page.h"
#include "view/caret_navigation.h"

namespace {

const std::array<CommandMapEntry<CKORVANEView>, 5> kCommandMap{{
    {ID_CONNECT, &CKORVANEView::OnConnect},
    {ID_DISCONNECT, &CKORVANEView::OnDisconnect},
    {ID_RESTART_CAPTURE, &CKORVANEView::OnRestartCapture},
    {ID_READ_FILE, &CKORVANEView::OnReadFile},
    {ID_SAVE_FILE, &CKORVANEView::OnSaveFile},
}};

}  // namespace

// The poll cycle's view of the outside world for one tick: the tick's one
// temporary setup object reads the ports, and the view redraws and stops.
class ViewPollHost final : public PollCycleHost {
 public:
  ViewPollHost(CKORVANEView& view, CSetupDlg& setup) : view_(view), setup_(setup) {}
  int readPort(int port, std::uint8_t* buffer) override { return setup_.readPort(port, buffer); }
  void redrawCapture() override { view_.DrawCapture(); }
  void stopOnFullStore() override { view_.stopCaptureOnFullStore(setup_); }

 private:
  CKORVANEView& view_;
  CSetupDlg& setup_;
};

CKORVANEView::~CKORVANEView() { m_displayFont.DeleteObject(); }

BOOL CKORVANEView::OnCmdMsg(UINT id) {
  if (dispatchCommandMap<CKORVANEView>(*this, kCommandMap, id)) return TRUE;
  return CView::OnCmdMsg(id);
}

void CKORVANEView::OnDraw(CDC* /*dc*/) {
  // All drawing goes through OnPaint and DrawCapture.
}

void CKORVANEView::startPollTimer() {
  monitorState.timerId = static_cast<std::uint32_t>(
      SetTimer(kPollTimerId, pollPeriodMs(monitorState.pollTimeMs), nullptr));
}

void CKORVANEView::OnInitialUpdate() {
  CSetupDlg setup;
  CView::OnInitialUpdate();
  m_displayFont.DeleteObject();
  m_displayFont.CreateFont(18, 8, 0, 0, 400, 0, 0, 0, 186, 0, 1, 0, 49, "Terminal");
  // A new or opened document while a capture runs: release the ports first,
  // or the next Connect would find them held by this very process.
  if (monitorState.connected != 0) setup.closeAllPorts();
  setup.loadCaptureSettings();
  CreateSolidCaret(kCellWidthPx, kCellHeightPx);
  ShowCaret();
  startPollTimer();
}

void CKORVANEView::OnConnect() {
  CSetupDlg setup;
  if (monitorState.connected != 0) {
    setup.closeAllPorts();
    KillTimer(monitorState.timerId);
  }
  setup.loadCaptureSettings();
  setup.openAllPorts();
  monitorState.redrawPending = 1;
  startPollTimer();
}

void CKORVANEView::OnDisconnect() {
  CSetupDlg setup;
  setup.closeAllPorts();
  KillTimer(monitorState.timerId);
}

void CKORVANEView::OnRestartCapture() {
  CSetupDlg setup;
  if (monitorState.connected != 0) {
    setup.closeAllPorts();
    KillTimer(monitorState.timerId);
  }
  setup.loadCaptureSettings();
  monitorState.redrawPending = 1;
  startPollTimer();
}

void CKORVANEView::OnTimer(UINT_PTR /*id*/) {
  CSetupDlg setup;
  MonitorState& s = monitorState;
  if (s.redrawPending != 0) {
    DestroyCaret();
    CreateSolidCaret(kCellWidthPx, kCellHeightPx);
    ShowCaret();
    DrawCapture();
    s.redrawPending = 0;
  }
  if (s.timerRestartPending != 0) {
    if (s.timerId != 0) KillTimer(s.timerId);
    // timerId keeps its value: the new timer has the same id.
    SetTimer(kPollTimerId, pollPeriodMs(s.pollTimeMs), nullptr);
    s.timerRestartPending = 0;
  }
  ViewPollHost host(*this, setup);
  pollConnectedPorts(host);
  Default();
}

void CKORVANEView::stopCaptureOnFullStore(CSetupDlg& setup) {
  MonitorState& s = monitorState;
  if (s.bufferFullNoticeOpen != 0) return;
  s.bufferFullNoticeOpen = 1;
  struct NoticeClosed {
    ~NoticeClosed() { monitorState.bufferFullNoticeOpen = 0; }
  } closed;
  // Ports first: ticks inside the notice's loop then find the capture ended.
  // The capture stays on screen, browsable and savable, and Connect is
  // offered again.
  setup.closeAllPorts();
  MessageBox("Receive Buffer Full", "Error Messge", MB_OK);
}

void CKORVANEView::OnKeyDown(UINT /*nChar*/, UINT /*nRepCnt*/, UINT nFlags) {
  switch (moveCaretForKey(scanCodeFromKeyFlags(nFlags))) {
    case CaretUpdate::Show:
      PlaceCaret(monitorState.caretCol, monitorState.caretRow);
      break;
    case CaretUpdate::Redraw:
      DrawCapture();
      break;
    case CaretUpdate::None:
      break;
  }
  Default();
}

void CKORVANEView::OnPaint() {
  CPaintDC paint(this);
  DrawCapture();
}
