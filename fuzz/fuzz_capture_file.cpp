// Fuzz target: the input is a capture file. It is read into a store of the
// smallest size (1 MiB) as Read file does, the index is rebuilt from it, every
// page is drawn on the headless window system, and the caret keys walk
// through it. A record that cannot be laid out ends the process as the
// monitor does; that is observed and ends the input normally.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "fuzz/fuzz_check.h"
#include "fuzz/page_checks.h"
#include "platform/headless/headless_window_system.h"
#include "view/capture_page.h"
#include "view/caret_navigation.h"
#include "view/korvane_view.h"

namespace {

constexpr const char* kFormatErrorText = "Data Format error....(Check display type) ";
constexpr UINT kExtendedKey = 0x100;      // the dedicated cursor keys
constexpr UINT kKeyWasDown = 0x40000000;  // upper flag bits the view must ignore
constexpr UINT kScanHome = 0x47;          // a key the dump does not move on

// The store is allocated once; between inputs only the bytes the last input
// put there are cleared again, since an allocation clears 1 MiB and the
// whole index.
std::size_t bytesLeftByLastInput = 0;

void allocateStoreOnce() {
  static bool allocated = false;
  if (allocated) return;
  headless::system();  // installs the headless window system
  resetProcessState();
  monitorState.memSizeMB = 1;
  monitorState.memSizeMBLoaded = 1;
  allocateCaptureStore();
  FUZZ_CHECK(captureBufferBytes() == kBytesPerMiB);
  allocated = true;
}

// The file's bytes, at most the buffer's size, into the zeroed buffer; then
// the position reset and the rebuild of Read file. The bytes are copied as
// they are, a record cut short at the end included, so the walk itself must
// keep within the buffer.
std::size_t loadCaptureFile(const std::uint8_t* data, std::size_t size) {
  MonitorState& s = monitorState;
  std::memset(s.bufferStart, 0, bytesLeftByLastInput);
  const std::size_t copied = std::min(size, captureBufferBytes());
  if (copied > 0) std::memcpy(s.bufferStart, data, copied);
  bytesLeftByLastInput = copied;

  s.caretCol = 0;
  s.caretRow = 0;
  s.pollSeq = 0;
  s.lastChunkLen = 0;
  s.topRow = 0;
  s.newData = 0;
  s.connected = 0;
  rebuildRecordIndex();
  return copied;
}

// Runs an action that may redraw, and checks what it drew. Returns true when
// the drawing ended the process, which must be because of a record on the
// page that cannot be laid out, after the rows above it and with the timer
// stopped and the message shown.
template <typename Action>
bool drawEndsProcess(Action action) {
  headless::HeadlessWindowSystem& ws = headless::system();
  ws.clearDrawing();
  const std::size_t boxesBefore = ws.messageBoxes().size();
  bool ended = false;
  try {
    action();
  } catch (const headless::ProcessExit&) {
    ended = true;
  }
  const MonitorState& s = monitorState;
  const std::int32_t undrawable = firstUndrawableRowOnPage();
  if (ended) {
    FUZZ_CHECK(undrawable >= 0);
    FUZZ_CHECK(ws.messageBoxes().size() == boxesBefore + 1);
    FUZZ_CHECK(ws.messageBoxes().back().text == kFormatErrorText);
    FUZZ_CHECK(ws.messageBoxes().back().caption == "Error");
    FUZZ_CHECK(ws.runningTimerCount() == 0);
    checkDrawnRows(undrawable - s.topRow);
    return true;
  }
  FUZZ_CHECK(ws.messageBoxes().size() == boxesBefore);
  if (!ws.drawOps().empty()) {
    FUZZ_CHECK(undrawable < 0);
    const std::int32_t rows = std::clamp(s.recordCount - s.topRow, 0, kPageRows);
    checkDrawnRows(rows);
  }
  checkCaretShown();
  return false;
}

// Every page from the first on, one screen apart, and the empty page past
// the last record.
bool drawEveryPage(CKORVANEView& view) {
  MonitorState& s = monitorState;
  for (std::int32_t top = 0; top <= s.recordCount; top += kPageRows) {
    s.topRow = top;
    s.caretRow = top;
    s.caretCol = 0;
    if (drawEndsProcess([&] { view.DrawCapture(); })) return true;
  }
  return false;
}

struct KeyStep {
  UINT scanCode;
  int times;
};

// A walk over rows, row ends, page turns and both ends of the store, with
// the keypad's form of each key (no extended flag) as well.
constexpr std::array<KeyStep, 10> kKeyWalk{{
    {kScanRight, 90},
    {kScanDown, 30},
    {kScanPageDown, 3},
    {kScanLeft, 120},
    {kScanHome, 2},
    {kScanUp, 40},
    {kScanPageUp, 4},
    {kScanPageDown, 2},
    {kScanDown, 3},
    {kScanPageUp, 3},
}};

bool walkWithKeys(CKORVANEView& view) {
  MonitorState& s = monitorState;
  s.topRow = 0;
  s.caretRow = 0;
  s.caretCol = 0;
  bool keypad = false;
  for (const KeyStep& step : kKeyWalk) {
    for (int i = 0; i < step.times; ++i) {
      keypad = !keypad;
      const UINT flags = step.scanCode | (keypad ? 0u : kExtendedKey) | kKeyWasDown;
      const MonitorState before = s;
      if (drawEndsProcess([&] { view.DispatchKeyDown(0, 1, flags); })) return true;
      checkCaretOnRecords();
      if (step.scanCode == kScanHome) {
        FUZZ_CHECK(s.topRow == before.topRow && s.caretRow == before.caretRow &&
                   s.caretCol == before.caretCol);
      }
    }
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  allocateStoreOnce();
  headless::HeadlessWindowSystem& ws = headless::system();
  ws.reset();
  resetCaretForTests();

  const std::size_t copied = loadCaptureFile(data, size);
  checkIndexAfterRebuild(copied);

  CKORVANEView view;
  FUZZ_CHECK(view.CreateNative(platform::WindowKind::View, nullptr, {}));
  view.CreateSolidCaret(kCellWidthPx, kCellHeightPx);
  view.ShowCaret();
  // As after Read file: the 10 ms timer runs, so a fatal page must stop it.
  monitorState.timerId =
      static_cast<std::uint32_t>(view.SetTimer(CKORVANEView::kPollTimerId, 10, nullptr));
  FUZZ_CHECK(ws.runningTimerCount() == 1);

  if (!drawEveryPage(view)) walkWithKeys(view);
  view.DestroyWindow();
  return 0;
}
