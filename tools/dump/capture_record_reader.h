// Walks a capture file record by record through one fixed buffer, so a file
// of any size is read without holding it in memory. A file is records back
// to back: a length byte of 1 to 16, a port tag, an 8-byte label and the
// data bytes. Anything else stops the walk with the offset and the reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "tools/dump/byte_source.h"

namespace capture_text {

inline constexpr std::size_t kRecordHeaderBytes = 10;
inline constexpr std::size_t kLabelBytes = 8;
inline constexpr int kMaxRecordDataBytes = 16;

// One record as it stands in the reader's buffer; valid until the next call.
struct RecordView {
  std::uint64_t offset = 0;             // of its length byte in the file
  int length = 0;                       // data bytes, 1 to 16
  int portTag = 0;                      // 1 port A, 2 port B; other values pass as they are
  const std::uint8_t* label = nullptr;  // 8 bytes
  const std::uint8_t* data = nullptr;   // length bytes
};

enum class ReadStep { Record, End, Malformed, ReadFailed };

class CaptureRecordReader {
 public:
  static constexpr std::size_t kBufferBytes = 64 * 1024;
  // The smallest buffer that holds a record of 16 bytes.
  static constexpr std::size_t kMinBufferBytes = kRecordHeaderBytes + kMaxRecordDataBytes;

  // bufferBytes is raised to kMinBufferBytes when smaller.
  explicit CaptureRecordReader(ByteSource& source, std::size_t bufferBytes = kBufferBytes);

  // The next record, the clean end of the file, or why the walk stopped.
  ReadStep next(RecordView& record);

  // Where the walk stopped and why (after Malformed or ReadFailed).
  std::uint64_t stopOffset() const { return stopOffset_; }
  const std::string& stopReason() const { return stopReason_; }
  // Bytes of whole records walked so far.
  std::uint64_t wholeBytes() const { return bufferOffset_ + begin_; }

 private:
  // Makes at least want bytes stand from begin_, unless the file ends first;
  // false when a read failed.
  bool fill(std::size_t want);
  ReadStep stop(ReadStep step, std::string reason);

  ByteSource& source_;
  std::size_t bufferBytes_;
  std::unique_ptr<std::uint8_t[]> buffer_;
  std::size_t begin_ = 0;
  std::size_t end_ = 0;
  std::uint64_t bufferOffset_ = 0;  // file offset of buffer_[0]
  bool atEnd_ = false;
  bool stopped_ = false;
  ReadStep stoppedStep_ = ReadStep::End;
  std::uint64_t stopOffset_ = 0;
  std::string stopReason_;
};

}  // namespace capture_text
