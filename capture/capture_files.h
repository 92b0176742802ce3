// Capture files: the used part of the capture buffer, byte for byte, appended
// to a file, and a file's records read back into the store for viewing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

class CKORVANEView;

namespace capture_files {
inline constexpr const char* kInitialFileName = "*.kvn";
inline constexpr const char* kFilter = "(*.kvn) | *.log |(*.*) | *.*||";
inline constexpr const char* kCanNotOpenForSave = "Can not Open ";
inline constexpr const char* kCanNotOpenForRead = "Can not Open file";
inline constexpr const char* kCanNotWrite = "Can not Write file";
inline constexpr const char* kCanNotRead = "Can not Read file";
inline constexpr const char* kErrorCaption = "Error";
// The tick period while a loaded file is shown: ticks then only serve the
// redraw and timer flags.
inline constexpr unsigned kViewingPeriodMs = 10;
}  // namespace capture_files

enum class CaptureSaveResult { Saved, OpenFailed, WriteFailed };

struct CaptureSaveOutcome {
  CaptureSaveResult result = CaptureSaveResult::Saved;
  std::string systemError;  // why it failed, such as "No space left on device"
};

// Appends the store's records (bufferStart up to writePos) to the file at
// path, creating it when missing. WriteFailed when fewer bytes went out than
// the store holds or the file did not flush and close cleanly; the file is
// then cut back to the length it had (a file the save created is removed),
// so no part of a capture is left at its end.
CaptureSaveOutcome saveCaptureToFile(const std::string& path);

struct CaptureFileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using CaptureFileHandle = std::unique_ptr<std::FILE, CaptureFileCloser>;

// Opens path for reading only; null when it cannot be read (missing, no
// permission, a folder), with the reason in systemError when given.
CaptureFileHandle openCaptureFile(const std::string& path, std::string* systemError = nullptr);

// How many leading bytes of bytes[0, size) are whole records, walked as the
// index rebuild walks them: up to a zero length byte, a length byte of 128 or
// more, a record that size cuts short, or a full index.
std::size_t wholeRecordBytes(const std::uint8_t* bytes, std::size_t size);

// Replaces the store's records with the file's: clears the whole buffer in
// use, reads at most memSizeMB MiB and never more than that buffer, keeps the
// whole records read, resets the position, the poll number and the
// connection flag, and rebuilds the index. false when reading failed part
// way, with the reason in systemError when given; the records read before
// the failure stay.
bool fillStoreFromCaptureFile(std::FILE* file, std::string* systemError = nullptr);

// Read file for a chosen path: opens it first, so a file that cannot be
// opened leaves the capture, the connection and the timer as they were (and
// says "Can not Open file"); otherwise stops the timer, closes the ports,
// loads the file and restarts the timer at the viewing period with a redraw
// pending. true when the whole file (or as much as the buffer holds) loaded.
bool loadCaptureFileIntoView(CKORVANEView& view, const std::string& path);
