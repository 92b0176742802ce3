#include "tools/record/capture_file_writer.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <thread>

#include "platform/process/raw_file.h"
#include "tools/dump/byte_source.h"
#include "tools/dump/capture_record_reader.h"

namespace recorder {

namespace io = platform::process;

namespace {

constexpr auto kSyncInterval = std::chrono::seconds(1);

std::string systemError(int error) { return std::strerror(error); }

std::string inUseText(const std::string& writer) {
  return "in use by " + writer +
         ", which is writing it; a capture file takes one writer at a time: name another file, "
         "or wait until that one ends";
}

}  // namespace

CaptureFileWriter::~CaptureFileWriter() {
  flusher_.reset();
  if (fd_ >= 0) io::closeFile(fd_);
}

std::string CaptureFileWriter::checkUsable(const std::string& path, bool append) {
  // A file another recorder is writing is named as such first, whatever
  // else is true of it.
  if (const std::string writer = io::otherWriterOf(path); !writer.empty()) {
    return inUseText(writer);
  }
  if (!append) {
    std::error_code error;
    if (std::filesystem::exists(path, error)) {
      return "the file exists; choose a new name, or add --append to add to it";
    }
    return {};
  }
  const int fd = io::openForReading(path);
  if (fd < 0) {
    // A file that is not there yet is simply started.
    return errno == ENOENT ? std::string{} : systemError(errno);
  }
  std::string reason;
  if (!io::isRegularFile(fd)) {
    reason = "not a regular file";
  } else {
    capture_text::FdByteSource source(fd);
    capture_text::CaptureRecordReader reader(source);
    capture_text::RecordView record;
    capture_text::ReadStep step;
    while ((step = reader.next(record)) == capture_text::ReadStep::Record) {
    }
    if (step != capture_text::ReadStep::End) {
      // Records added behind the fault could never be read back. A last
      // record cut by a power cut is the usual cause: the whole ones before
      // it can be kept by cutting the file back to them. Anything else (a
      // text file, a damaged record with more behind it) is someone's data:
      // no advice that would destroy it.
      const std::uint64_t offset = reader.stopOffset();
      const bool lastRecordCut =
          offset > 0 && reader.stopReason().find("cut by the end of the file") != std::string::npos;
      reason = "not a capture file at byte offset " + std::to_string(offset) + ": " +
               reader.stopReason() +
               (lastRecordCut ? "; to keep the whole records before it and add to them: " +
                                    io::truncateCommand(path, offset)
                              : "; the file is left as it is: name a new capture file");
    }
  }
  io::closeFile(fd);
  return reason;
}

std::string CaptureFileWriter::open(const std::string& path, bool append) {
  fd_ = append ? io::openToAppend(path) : io::createNew(path);
  if (fd_ < 0) {
    const int error = errno;
    const std::string writer = error == EACCES ? io::otherWriterOf(path) : std::string();
    return writer.empty() ? systemError(error) : inUseText(writer);
  }
  // Held until the file closes: a second recorder or a Save File is refused.
  if (!io::lockForWriting(fd_)) {
    const std::string writer = io::otherWriterOf(path);
    io::closeFile(fd_);
    fd_ = -1;
    return inUseText(writer.empty() ? std::string("another program") : writer);
  }
  const auto size = io::fileSize(fd_);
  if (!size) return systemError(errno);
  bytes_ = *size;
  lastSync_ = std::chrono::steady_clock::now();
  flusher_ = std::make_unique<DiskFlusher>([this] {
    if (flushDelay_.count() > 0) std::this_thread::sleep_for(flushDelay_);
    return io::flushToDisk(fd_) ? 0 : (errno != 0 ? errno : EIO);
  });
  return {};
}

std::string CaptureFileWriter::write(const std::uint8_t* bytes, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const long long wrote = io::writeSome(fd_, bytes + done, count - done);
    if (wrote > 0) {
      done += static_cast<std::size_t>(wrote);
      continue;
    }
    const int error = wrote < 0 ? errno : ENOSPC;
    // Part of a record on disk would make the file end in the middle of
    // one: it goes back to where this write began.
    if (done > 0 && !io::truncateTo(fd_, bytes_)) {
      return systemError(error) +
             ", and cutting the file back to its last whole record failed: " + systemError(errno);
    }
    return systemError(error);
  }
  bytes_ += count;
  unsynced_ = unsynced_ || count > 0;
  return {};
}

std::string CaptureFileWriter::syncIfDue(std::chrono::steady_clock::time_point now, bool force) {
  if (flusher_ == nullptr) return {};
  if (const int error = flusher_->takeError(); error != 0) return systemError(error);
  if (!unsynced_ || (!force && now - lastSync_ < kSyncInterval)) return {};
  lastSync_ = now;
  unsynced_ = false;
  flusher_->request();
  if (!force) return {};
  flusher_->waitDone();
  if (const int error = flusher_->takeError(); error != 0) return systemError(error);
  return {};
}

std::size_t wholeRecordsWithin(const std::uint8_t* bytes, std::size_t count, std::uint64_t limit,
                               std::uint64_t* records) {
  std::size_t at = 0;
  *records = 0;
  while (at < count) {
    const std::size_t recordBytes = bytes[at] + capture_text::kRecordHeaderBytes;
    if (at + recordBytes > count || at + recordBytes > limit) break;
    at += recordBytes;
    ++*records;
  }
  return at;
}

}  // namespace recorder
