// The C library's descriptors in binary mode: text mode would turn "\n"
// into "\r\n" on the way out, and end a read at the first 0x1a byte.
#include "platform/process/raw_file.h"

#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>

namespace platform::process {

namespace {

constexpr int kNotInherited = _O_BINARY | _O_NOINHERIT;
// _read and _write take an unsigned int count and return an int.
constexpr std::size_t kMostAtOnce = INT_MAX / 2 + 1;

}  // namespace

void useByteStandardStreams() {
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
}

int openForReading(const std::string& path) {
  return _open(path.c_str(), _O_RDONLY | kNotInherited);
}

// Others may read the file while it is written, never write it: a second
// writer's open fails with a sharing violation (EACCES).
int createNew(const std::string& path) {
  return _sopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | kNotInherited, _SH_DENYWR,
                _S_IREAD | _S_IWRITE);
}

int openToAppend(const std::string& path) {
  return _sopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_APPEND | kNotInherited, _SH_DENYWR,
                _S_IREAD | _S_IWRITE);
}

// The open denied write sharing already.
bool lockForWriting(int /*fd*/) { return true; }

// A C stream shares writing; Save File is refused by the recorder's own
// open, which denied write sharing.
bool lockForWriting(std::FILE* /*file*/) { return true; }

std::string otherWriterOf(const std::string& path) {
  // An open for writing that denies nothing fails only while a writer that
  // denied write sharing (a recorder) holds the file. Windows does not say
  // who without asking the restart manager.
  const int fd = _sopen(path.c_str(), _O_WRONLY | _O_APPEND | kNotInherited, _SH_DENYNO);
  if (fd >= 0) {
    _close(fd);
    return {};
  }
  return errno == EACCES ? std::string("another program") : std::string();
}

bool closeFile(int fd) { return _close(fd) == 0; }

long long readSome(int fd, void* buffer, std::size_t count) {
  return _read(fd, buffer, static_cast<unsigned>(std::min(count, kMostAtOnce)));
}

long long writeSome(int fd, const void* bytes, std::size_t count) {
  return _write(fd, bytes, static_cast<unsigned>(std::min(count, kMostAtOnce)));
}

std::optional<std::uint64_t> fileSize(int fd) {
  const long long size = _filelengthi64(fd);
  if (size < 0) return std::nullopt;
  return static_cast<std::uint64_t>(size);
}

bool isRegularFile(int fd) {
  struct _stat64 info {};
  return _fstat64(fd, &info) == 0 && (info.st_mode & _S_IFMT) == _S_IFREG;
}

bool truncateTo(int fd, std::uint64_t bytes) {
  const errno_t error = _chsize_s(fd, static_cast<long long>(bytes));
  if (error != 0) errno = error;
  return error == 0;
}

// _commit is FlushFileBuffers on the descriptor's handle.
bool flushToDisk(int fd) { return _commit(fd) == 0; }

std::string truncateCommand(const std::string& path, std::uint64_t bytes) {
  std::string quoted;
  for (char c : path) {
    quoted += c;
    if (c == '\'') quoted += '\'';
  }
  // No variables: typed at a PowerShell prompt, "$name" would be expanded
  // before the inner PowerShell saw it. The file closes as it exits.
  return "powershell -Command \"[IO.File]::Open('" + quoted + "', 'Open').SetLength(" +
         std::to_string(bytes) + ")\"";
}

}  // namespace platform::process
