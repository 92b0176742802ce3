#include "capture/capture_files.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "platform/diagnostics/diagnostic_lines.h"
#include "platform/framework/cfiledialog.h"
#include "platform/process/raw_file.h"
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

int errnoOr(int fallback) { return errno != 0 ? errno : fallback; }

std::string systemErrorText(int error) { return std::strerror(error); }

std::string writerText(const std::string& writer) {
  return "in use by " + writer +
         ", which is writing it; save when it has ended, or choose another file";
}

std::optional<std::uintmax_t> lengthOf(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return std::nullopt;
  const std::uintmax_t length = std::filesystem::file_size(path, error);
  if (error) return std::nullopt;
  return length;
}

// Tells the user what failed on which file and why: the message box with
// the system's reason as its detail, and the same on standard error.
void reportFileError(CWnd& owner, const char* text, const std::string& path,
                     const std::string& reason) {
  std::string told = text;
  while (!told.empty() && told.back() == ' ') told.pop_back();
  platform::writeDiagnosticLine(told + ": " + path + ": " + reason);
  owner.MessageBox(text, capture_files::kErrorCaption, MB_OK, path + ": " + reason);
}

}  // namespace

CaptureSaveOutcome saveCaptureToFile(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const bool existed = fs::exists(path, error);
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "a+b");
  if (file == nullptr) {
    const int openError = errno;
    // On Windows a recorder's file refuses the open itself.
    const std::string writer = platform::process::otherWriterOf(path);
    return {CaptureSaveResult::OpenFailed,
            writer.empty() ? systemErrorText(openError) : writerText(writer)};
  }
  // One writer per capture file: a recorder writing into it keeps it.
  if (!platform::process::lockForWriting(file)) {
    std::fclose(file);
    const std::string writer = platform::process::otherWriterOf(path);
    return {CaptureSaveResult::OpenFailed,
            writerText(writer.empty() ? std::string("another program") : writer)};
  }
  // Where the appended records begin; unknown for a device such as a pipe.
  const std::optional<std::uintmax_t> oldLength = lengthOf(path);

  const MonitorState& s = monitorState;
  const std::size_t bytes =
      s.bufferStart != nullptr ? static_cast<std::size_t>(s.writePos - s.bufferStart) : 0;
  int failure = 0;
  errno = 0;
  if (bytes > 0 && std::fwrite(s.bufferStart, 1, bytes, file) != bytes) failure = errnoOr(EIO);
  // A C library may report a failed final write only from the flush.
  errno = 0;
  if (std::fflush(file) != 0 && failure == 0) failure = errnoOr(EIO);
  errno = 0;
  if (std::fclose(file) != 0 && failure == 0) failure = errnoOr(EIO);
  if (failure == 0) return {CaptureSaveResult::Saved, {}};

  // The file keeps only what it held before, not part of this capture.
  std::string reason = systemErrorText(failure);
  if (!existed) {
    if (!fs::remove(path, error) && error) {
      reason += "; the file could not be removed again: " + error.message();
    }
  } else if (oldLength.has_value()) {
    fs::resize_file(path, *oldLength, error);
    if (error) reason += "; the file could not be cut back to its old length: " + error.message();
  }
  return {CaptureSaveResult::WriteFailed, reason};
}

CaptureFileHandle openCaptureFile(const std::string& path, std::string* systemError) {
  // A folder opens for reading on some systems and then fails every read;
  // it is no capture file.
  std::error_code error;
  int failure = 0;
  CaptureFileHandle file;
  if (std::filesystem::is_directory(path, error)) {
    failure = EISDIR;
  } else {
    errno = 0;
    file.reset(std::fopen(path.c_str(), "rb"));
    if (!file) failure = errnoOr(EIO);
  }
  if (failure != 0 && systemError != nullptr) *systemError = systemErrorText(failure);
  return file;
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

bool fillStoreFromCaptureFile(std::FILE* file, std::string* systemError) {
  MonitorState& s = monitorState;
  const std::size_t bufferBytes = s.bufferStart != nullptr ? captureBufferBytes() : 0;
  bool readFailed = false;
  if (bufferBytes > 0) {
    // The whole buffer in use is cleared, also beyond a smaller memSizeMB,
    // so that no older record lies behind the file's.
    std::memset(s.bufferStart, 0, bufferBytes);
    const std::size_t limit = readLimitBytes(bufferBytes);
    errno = 0;
    const std::size_t got = limit > 0 ? std::fread(s.bufferStart, 1, limit, file) : 0;
    readFailed = std::ferror(file) != 0;
    if (readFailed && systemError != nullptr) *systemError = systemErrorText(errnoOr(EIO));
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
  std::string reason;
  CaptureFileHandle file = openCaptureFile(path, &reason);
  if (!file) {
    reportFileError(view, kCanNotOpenForRead, path, reason);
    return false;
  }
  MonitorState& s = monitorState;
  view.KillTimer(s.timerId);
  if (s.connected != 0) {
    CSetupDlg setup;
    setup.closeAllPorts();
  }
  const bool complete = fillStoreFromCaptureFile(file.get(), &reason);
  file.reset();
  s.timerId = static_cast<std::uint32_t>(
      view.SetTimer(CKORVANEView::kPollTimerId, kViewingPeriodMs, nullptr));
  s.redrawPending = 1;
  // Told last, so that ticks inside the box find the store already sound.
  if (!complete) reportFileError(view, kCanNotRead, path, reason);
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
  const std::string path = dialog.GetPathName();
  const CaptureSaveOutcome outcome = saveCaptureToFile(path);
  switch (outcome.result) {
    case CaptureSaveResult::OpenFailed:
      reportFileError(*this, kCanNotOpenForSave, path, outcome.systemError);
      break;
    case CaptureSaveResult::WriteFailed:
      // The file lacks records the user believes saved.
      reportFileError(*this, kCanNotWrite, path, outcome.systemError);
      break;
    case CaptureSaveResult::Saved:
      break;
  }
  monitorState.redrawPending = 1;
}
