// Descriptors as they are: POSIX has no text mode to switch off.
#include "platform/process/raw_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/posix/device_holders.h"

namespace platform::process {

void useByteStandardStreams() {}

int openForReading(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); }

int createNew(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
}

int openToAppend(const std::string& path) {
  return ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
}

bool lockForWriting(int fd) { return flock(fd, LOCK_EX | LOCK_NB) == 0; }

bool lockForWriting(std::FILE* file) { return lockForWriting(fileno(file)); }

std::string otherWriterOf(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return {};
  // Shared, not exclusive: another reader's check must not be taken for a
  // writer.
  const bool free = flock(fd, LOCK_SH | LOCK_NB) == 0;
  ::close(fd);
  if (free) return {};
  std::string names;
  for (const posix::DeviceHolder& holder : posix::findDeviceHolders(path)) {
    if (holder.pid == static_cast<long>(getpid())) continue;
    if (!names.empty()) names += ", ";
    names += std::to_string(holder.pid) + " (" + holder.command + ")";
  }
  return names.empty() ? std::string("another program") : names;
}

bool closeFile(int fd) { return ::close(fd) == 0; }

long long readSome(int fd, void* buffer, std::size_t count) {
  for (;;) {
    const ssize_t got = ::read(fd, buffer, count);
    if (got >= 0 || errno != EINTR) return got;
  }
}

long long writeSome(int fd, const void* bytes, std::size_t count) {
  for (;;) {
    const ssize_t wrote = ::write(fd, bytes, count);
    if (wrote >= 0 || errno != EINTR) return wrote;
  }
}

std::optional<std::uint64_t> fileSize(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) return std::nullopt;
  return static_cast<std::uint64_t>(info.st_size);
}

bool isRegularFile(int fd) {
  struct stat info {};
  return ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
}

bool truncateTo(int fd, std::uint64_t bytes) {
  return ::ftruncate(fd, static_cast<off_t>(bytes)) == 0;
}

bool flushToDisk(int fd) { return ::fdatasync(fd) == 0; }

namespace {

std::string shellQuoted(const std::string& text) {
  // Inside single quotes nothing is special but the quote itself, which
  // ends the quoting, goes in escaped, and starts it again.
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace

std::string truncateCommand(const std::string& path, std::uint64_t bytes) {
  return "truncate -s " + std::to_string(bytes) + " -- " + shellQuoted(path);
}

}  // namespace platform::process
