#include "capture/capture_files.h"

#include <cstring>
#include <filesystem>

#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "platform/framework/cfiledialog.h"
#include "setup/setup_dlg.h"
#include "view/korvane_view.h"

namespace {

// The bytes a read may fill: memSizeMB MiB, but never beyond the buffer in
// use, which is smaller after a size change the user declined to apply.
std::size_t readLimitBytes(std::size_t bufferBytes) {
  const std::int32_t sizeMB = monitorState.memSizeMB;
  if (sizeMB <= 0) return 0;
  if (static_cast<std::size_t>(sizeMB) >= bufferBytes / kBytesPerMiB) return bufferBytes;
  return static_cast<std::size_t>(sizeMB) * kBytesPerMiB;
}

}  // namespace

CaptureSaveResult appendCaptureToFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "a+b");
  if (file == nullptr) return CaptureSaveResult::OpenFailed;
  const MonitorState& s = monitorState;
  const std::size_t bytes =
      s.bufferStart != nullptr ? static_cast<std::size_t>(s.writePos - s.bufferStart) : 0;
  const std::size_t written = bytes > 0 ? std::fwrite(s.bufferStart, 1, bytes, file) : 0;
  // The close flushes what the stream still holds, so its failure loses
  // records just as a short write does.
  const int closed = std::fclose(file);
  return written == bytes && closed == 0 ? CaptureSaveResult::Saved
                                         : CaptureSaveResult::WriteFailed;
}

CaptureFileHandle openCaptureFile(const std::string& path) {
  // A folder opens for reading on some systems and then fails every read;
  // it is no capture file.
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return nullptr;
  return CaptureFileHandle(std::fopen(path.c_str(), "rb"));
}

std::size_t wholeRecordBytes(const std::uint8_t* bytes, std::size_t size) {
  std::size_t at = 0;
  std::int32_t records = 0;
  while (at < size && records < kRecordIndexSlots) {
    const std::uint8_t length = bytes[at];
    if (length == 0 || length >= 128) break;
    const std::size_t recordBytes = length + CaptureRecord::kHeaderSize;
    if (size - at < recordBytes) break;
    at += recordBytes;
    ++records;
  }
  return at;
}

bool fillStoreFromCaptureFile(std::FILE* file) {
  MonitorState& s = monitorState;
  const std::size_t bufferBytes = s.bufferStart != nullptr ? captureBufferBytes() : 0;
  bool readFailed = false;
  if (bufferBytes > 0) {
    // The whole buffer in use is cleared, also beyond a smaller memSizeMB,
    // so that no older record lies behind the file's.
    std::memset(s.bufferStart, 0, bufferBytes);
    const std::size_t limit = readLimitBytes(bufferBytes);
    const std::size_t got = limit > 0 ? std::fread(s.bufferStart, 1, limit, file) : 0;
    readFailed = std::ferror(file) != 0;
    // A record cut short by the end of what was read is not shown with
    // made-up zero bytes: only whole records stay.
    const std::size_t whole = wholeRecordBytes(s.bufferStart, got);
    std::memset(s.bufferStart + whole, 0, got - whole);
  }
  s.caretCol = 0;
  s.caretRow = 0;
  s.pollSeq = 0;
  s.lastChunkLen = 0;
  s.topRow = 0;
  s.newData = 0;
  s.connected = 0;
  // The store holds new content; an earlier overflow no longer applies.
  s.storeOverflowed = 0;
  rebuildRecordIndex();
  return !readFailed;
}

bool loadCaptureFileIntoView(CKORVANEView& view, const std::string& path) {
  using namespace capture_files;
  // Opened before anything is stopped or cleared: a file that cannot be read
  // must not cost the capture on screen or the running connection.
  CaptureFileHandle file = openCaptureFile(path);
  if (!file) {
    view.MessageBox(kCanNotOpenForRead, kErrorCaption, MB_OK);
    return false;
  }
  MonitorState& s = monitorState;
  view.KillTimer(s.timerId);
  if (s.connected != 0) {
    CSetupDlg setup;
    setup.closeAllPorts();
  }
  const bool complete = fillStoreFromCaptureFile(file.get());
  file.reset();
  s.timerId = static_cast<std::uint32_t>(
      view.SetTimer(CKORVANEView::kPollTimerId, kViewingPeriodMs, nullptr));
  s.redrawPending = 1;
  // Told last, so that ticks inside the box find the store already sound.
  if (!complete) view.MessageBox(kCanNotRead, kErrorCaption, MB_OK);
  return complete;
}

void CKORVANEView::OnReadFile() {
  CFileDialog dialog(TRUE, nullptr, capture_files::kInitialFileName, OFN_EXPLORER,
                     capture_files::kFilter);
  if (dialog.DoModal() != IDOK) return;
  // The full path names the same file as the bare name in the folder the
  // dialog made current, and still does if that change of folder failed.
  loadCaptureFileIntoView(*this, dialog.GetPathName());
}

void CKORVANEView::OnSaveFile() {
  using namespace capture_files;
  CFileDialog dialog(FALSE, nullptr, kInitialFileName, OFN_EXPLORER, kFilter);
  if (dialog.DoModal() != IDOK) return;
  switch (appendCaptureToFile(dialog.GetPathName())) {
    case CaptureSaveResult::OpenFailed:
      MessageBox(kCanNotOpenForSave, kErrorCaption, MB_OK);
      break;
    case CaptureSaveResult::WriteFailed:
      // The file lacks records the user believes saved.
      MessageBox(kCanNotWrite, kErrorCaption, MB_OK);
      break;
    case CaptureSaveResult::Saved:
      break;
  }
  monitorState.redrawPending = 1;
}
