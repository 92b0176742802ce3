#include "platform/framework/cwnd.h"

#include <algorithm>
#include <cstdlib>

#include "platform/framework/cdc.h"

using platform::windowSystem;

namespace {
platform::CaretState caret;

void publishCaret() { windowSystem().caretChanged(caret); }
}  // namespace

CWnd::~CWnd() { DestroyWindow(); }

BOOL CWnd::CreateNative(platform::WindowKind kind, CWnd* parent, const CREATESTRUCT& cs) {
  m_hWnd = windowSystem().createWindow(
      *this, kind, parent != nullptr ? parent->m_hWnd : platform::kNoWindow, cs);
  return m_hWnd != platform::kNoWindow ? TRUE : FALSE;
}

void CWnd::DestroyWindow() {
  if (m_hWnd == platform::kNoWindow) return;
  if (caret.owner == m_hWnd) {
    caret = platform::CaretState{.blinkTimeMs = caret.blinkTimeMs};
  }
  const auto window = m_hWnd;
  m_hWnd = platform::kNoWindow;
  windowSystem().destroyWindow(window);
}

void CWnd::GetClientRect(CRect* rect) const { *rect = windowSystem().clientRect(m_hWnd); }
void CWnd::SetWindowText(const std::string& text) { windowSystem().setWindowText(m_hWnd, text); }
std::string CWnd::GetWindowText() const { return windowSystem().windowText(m_hWnd); }
void CWnd::ShowWindow() { windowSystem().showWindow(m_hWnd); }
void CWnd::UpdateWindow() { windowSystem().invalidate(m_hWnd); }
void CWnd::Invalidate() { windowSystem().invalidate(m_hWnd); }
void CWnd::DragAcceptFiles(BOOL accept) { windowSystem().dragAcceptFiles(m_hWnd, accept != FALSE); }

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT periodMs, void* /*callback*/) {
  // As on the original platform, a period below the minimum (0 included)
  // runs at the minimum; a timer never turns into a busy loop.
  const UINT period = std::max(periodMs, kMinimumTimerPeriodMs);
  return windowSystem().setTimer(m_hWnd, id, period) ? id : 0;
}

BOOL CWnd::KillTimer(UINT_PTR id) { return windowSystem().killTimer(m_hWnd, id) ? TRUE : FALSE; }

void CWnd::CreateSolidCaret(int width, int height) {
  // Creating a caret replaces any caret the thread had; the new one is hidden.
  caret.owner = m_hWnd;
  caret.exists = true;
  caret.width = width;
  caret.height = height;
  caret.hideCount = 1;
  publishCaret();
}

void CWnd::ShowCaret() {
  if (!caret.exists || caret.owner != m_hWnd) return;
  if (caret.hideCount > 0) --caret.hideCount;
  publishCaret();
}

void CWnd::HideCaret() {
  if (!caret.exists || caret.owner != m_hWnd) return;
  ++caret.hideCount;
  publishCaret();
}

void CWnd::SetCaretPos(CPoint point) {
  caret.x = point.x;
  caret.y = point.y;
  publishCaret();
}

int CWnd::MessageBox(const std::string& text, const std::string& caption, UINT style,
                     const std::string& detail) {
  return ShowMessageBox(m_hWnd, text, caption, style, detail);
}

void CWnd::OnPaint() {
  // Validates the window, as the default handler does.
  CPaintDC dc(this);
}

void DestroyCaret() {
  const UINT blink = caret.blinkTimeMs;
  caret = platform::CaretState{};
  caret.blinkTimeMs = blink;
  publishCaret();
}

void SetCaretBlinkTime(UINT ms) {
  caret.blinkTimeMs = ms;
  publishCaret();
}

const platform::CaretState& currentCaret() { return caret; }

void resetCaretForTests() { caret = platform::CaretState{}; }

void SetFineTimerStep(bool fine) { windowSystem().setFineTimerStep(fine); }

void AfxExitProcess(int status) {
  windowSystem().exitProcess(status);
  std::abort();  // a backend whose exit returned
}

int ShowMessageBox(platform::WindowHandle owner, const std::string& text,
                   const std::string& caption, UINT style, const std::string& detail) {
  return windowSystem().messageBox(
      {.owner = owner, .text = text, .caption = caption, .style = style, .detail = detail});
}
