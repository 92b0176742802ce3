#include "tools/dump/capture_record_reader.h"

#include <cerrno>
#include <cstring>

namespace capture_text {

CaptureRecordReader::CaptureRecordReader(ByteSource& source, std::size_t bufferBytes)
    : source_(source),
      bufferBytes_(bufferBytes < kMinBufferBytes ? kMinBufferBytes : bufferBytes),
      buffer_(new std::uint8_t[bufferBytes_]) {}

bool CaptureRecordReader::fill(std::size_t want) {
  if (end_ - begin_ >= want) return true;
  if (begin_ > 0) {
    // The part of a record already read moves to the front; a record is at
    // most 26 bytes, which the buffer always holds.
    std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
    bufferOffset_ += begin_;
    end_ -= begin_;
    begin_ = 0;
  }
  while (end_ < want && !atEnd_) {
    const long got =
        source_.read(std::span<std::uint8_t>(buffer_.get() + end_, bufferBytes_ - end_));
    if (got < 0) return false;
    if (got == 0) atEnd_ = true;
    end_ += static_cast<std::size_t>(got);
  }
  return true;
}

ReadStep CaptureRecordReader::stop(ReadStep step, std::string reason) {
  stopped_ = true;
  stoppedStep_ = step;
  stopOffset_ = wholeBytes();
  stopReason_ = std::move(reason);
  return step;
}

ReadStep CaptureRecordReader::next(RecordView& record) {
  if (stopped_) return stoppedStep_;
  if (!fill(1)) return stop(ReadStep::ReadFailed, std::strerror(errno));
  if (end_ == begin_) return stop(ReadStep::End, {});

  const int length = buffer_[begin_];
  if (length == 0) return stop(ReadStep::Malformed, "length byte 0 where a record should start");
  if (length > kMaxRecordDataBytes) {
    return stop(ReadStep::Malformed, "length byte " + std::to_string(length) + " is above 16");
  }
  const std::size_t recordBytes = kRecordHeaderBytes + static_cast<std::size_t>(length);
  if (!fill(recordBytes)) return stop(ReadStep::ReadFailed, std::strerror(errno));
  if (end_ - begin_ < recordBytes) {
    return stop(ReadStep::Malformed, "record of " + std::to_string(recordBytes) +
                                         " bytes cut by the end of the file after " +
                                         std::to_string(end_ - begin_));
  }

  const std::uint8_t* at = buffer_.get() + begin_;
  record.offset = bufferOffset_ + begin_;
  record.length = length;
  record.portTag = at[1];
  record.label = at + 2;
  record.data = at + kRecordHeaderBytes;
  begin_ += recordBytes;
  return ReadStep::Record;
}

}  // namespace capture_text
