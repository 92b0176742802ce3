// The recorder's capture file: whole records appended as they arrive, made
// durable once a second, and cut back to the last whole record when a write
// fails, so the file is always a capture file the monitor reads.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "tools/record/disk_flusher.h"

namespace recorder {

class CaptureFileWriter {
 public:
  CaptureFileWriter() = default;
  ~CaptureFileWriter();
  CaptureFileWriter(const CaptureFileWriter&) = delete;
  CaptureFileWriter& operator=(const CaptureFileWriter&) = delete;

  // Checks that the file can be used before any port is opened: a new file
  // must not exist; a file to append to must hold whole records only.
  // Returns the reason when it cannot.
  static std::string checkUsable(const std::string& path, bool append);

  // Creates the file (or opens it to append); the reason on failure.
  std::string open(const std::string& path, bool append);

  // Writes whole records. On failure the file is cut back to the records
  // written before this call and the reason is returned.
  std::string write(const std::uint8_t* bytes, std::size_t count);

  // Makes what was written durable when a second has passed since the last
  // time (or always, with force). The flush runs on a worker and this
  // returns at once, but for force, which waits for it. The reason when a
  // flush failed, told at the first call after it.
  std::string syncIfDue(std::chrono::steady_clock::time_point now, bool force = false);

  std::uint64_t bytes() const { return bytes_; }

  // For measurements: every flush to disk takes this much longer, as on a
  // slow or failing disk.
  void slowFlushesBy(std::chrono::milliseconds delay) { flushDelay_ = delay; }
  bool isOpen() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
  std::uint64_t bytes_ = 0;  // whole records in the file
  bool unsynced_ = false;
  std::chrono::steady_clock::time_point lastSync_{};
  std::chrono::milliseconds flushDelay_{0};
  // Last, so that it stops (and finishes its flush) before the file closes.
  std::unique_ptr<DiskFlusher> flusher_;
};

// How many leading bytes of [bytes, bytes + count) are whole records of no
// more than limit bytes in all; *records gets how many records they are.
std::size_t wholeRecordsWithin(const std::uint8_t* bytes, std::size_t count, std::uint64_t limit,
                               std::uint64_t* records);

}  // namespace recorder
