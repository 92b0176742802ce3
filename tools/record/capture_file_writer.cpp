#include "tools/record/capture_file_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tools/dump/byte_source.h"
#include "tools/dump/capture_record_reader.h"

namespace recorder {

namespace {

constexpr auto kSyncInterval = std::chrono::seconds(1);

std::string systemError(int error) { return std::strerror(error); }

}  // namespace

CaptureFileWriter::~CaptureFileWriter() {
  if (fd_ >= 0) ::close(fd_);
}

std::string CaptureFileWriter::checkUsable(const std::string& path, bool append) {
  struct stat info {};
  if (!append) {
    if (::stat(path.c_str(), &info) == 0) {
      return "the file exists; choose a new name, or add --append to add to it";
    }
    return {};
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    // A file that is not there yet is simply started.
    return errno == ENOENT ? std::string{} : systemError(errno);
  }
  std::string reason;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    reason = "not a regular file";
  } else {
    capture_text::FdByteSource source(fd);
    capture_text::CaptureRecordReader reader(source);
    capture_text::RecordView record;
    capture_text::ReadStep step;
    while ((step = reader.next(record)) == capture_text::ReadStep::Record) {
    }
    if (step != capture_text::ReadStep::End) {
      // Records added behind the fault could never be read back. A record
      // cut by a power cut is the usual cause: the whole ones can be kept.
      const std::string offset = std::to_string(reader.stopOffset());
      reason = "not a capture file at byte offset " + offset + ": " + reader.stopReason() +
               "; to keep the whole records before it and add to them: truncate -s " + offset +
               " '" + path + "'";
    }
  }
  ::close(fd);
  return reason;
}

std::string CaptureFileWriter::open(const std::string& path, bool append) {
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_EXCL);
  fd_ = ::open(path.c_str(), flags, 0644);
  if (fd_ < 0) return systemError(errno);
  struct stat info {};
  if (::fstat(fd_, &info) != 0) return systemError(errno);
  bytes_ = static_cast<std::uint64_t>(info.st_size);
  lastSync_ = std::chrono::steady_clock::now();
  return {};
}

std::string CaptureFileWriter::write(const std::uint8_t* bytes, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t wrote = ::write(fd_, bytes + done, count - done);
    if (wrote > 0) {
      done += static_cast<std::size_t>(wrote);
      continue;
    }
    if (wrote < 0 && errno == EINTR) continue;
    const int error = wrote < 0 ? errno : ENOSPC;
    // Part of a record on disk would make the file end in the middle of
    // one: it goes back to where this write began.
    if (done > 0) {
      if (::ftruncate(fd_, static_cast<off_t>(bytes_)) != 0) {
        return systemError(error) +
               ", and cutting the file back to its last whole record failed: " + systemError(errno);
      }
    }
    return systemError(error);
  }
  bytes_ += count;
  unsynced_ = unsynced_ || count > 0;
  return {};
}

std::string CaptureFileWriter::syncIfDue(std::chrono::steady_clock::time_point now, bool force) {
  if (!unsynced_ || (!force && now - lastSync_ < kSyncInterval)) return {};
  lastSync_ = now;
  unsynced_ = false;
  if (::fdatasync(fd_) != 0) return systemError(errno);
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
