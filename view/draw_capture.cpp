#include <cstdint>

#include "capture/monitor_state.h"
#include "serial/open_ports.h"
#include "view/capture_page.h"
#include "view/korvane_view.h"

namespace {

const char* asText(const std::uint8_t* bytes) { return reinterpret_cast<const char*>(bytes); }

constexpr UINT kCaretBlinkTimeMs = 300;

}  // namespace

void CKORVANEView::DrawCapture() {
  CClientDC dc(this);
  CRect client;
  GetClientRect(&client);
  SetCaretBlinkTime(kCaretBlinkTimeMs);
  HideCaret();
  dc.FillSolidRect(client, kBackgroundColor);
  dc.SelectObject(&m_displayFont);

  CapturePage page;
  layoutCapturePage(page);
  for (int i = 0; i < page.rowCount; ++i) {
    const PageRow& row = page.rows[static_cast<std::size_t>(i)];
    if (row.setsTextColor) dc.SetTextColor(row.textColor);
    if (row.showsLabel) dc.ExtTextOut(kLabelX, row.y, asText(row.label), 8);
    dc.ExtTextOut(kDataX, row.y, asText(row.data), row.dataLength);
    dc.ExtTextOut(kHexX, row.y, row.hex, row.hexLength);
  }

  if (page.formatError) {
    // A record that cannot be laid out: stop polling, say so, and end with a
    // failure status.
    if (monitorState.timerId != 0) KillTimer(monitorState.timerId);
    MessageBox("Data Format error....(Check display type) ", "Error", MB_ICONHAND);
    releaseOpenPorts();
    AfxExitProcess(1);
  }

  PlaceCaret(monitorState.caretCol, monitorState.caretRow);
}

void CKORVANEView::PlaceCaret(int column, int row) {
  SetCaretPos(CPoint{column * kCellWidthPx, (row - monitorState.topRow) * kCellHeightPx});
  ShowCaret();
}
