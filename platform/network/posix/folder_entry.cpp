#include "platform/network/folder_entry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

namespace platform::network {

const char kPathSeparator = '/';

FolderEntry inspectFolderEntry(const std::string& path) {
  FolderEntry entry;
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) return entry;
  entry.exists = true;
  if (S_ISLNK(info.st_mode)) {
    char target[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), target, sizeof target - 1);
    if (length > 0) entry.linkTarget.assign(target, static_cast<std::size_t>(length));
    if (stat(path.c_str(), &info) != 0) return entry;
  }
  if (!S_ISREG(info.st_mode)) return entry;
  entry.regularFile = true;
  // O_NONBLOCK: a file that is no plain file by the time it is opened (a
  // named pipe put there meanwhile) must not hang the open.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return entry;
  char buffer[kMaxFolderEntryContent];
  const ssize_t count = ::read(fd, buffer, sizeof buffer);
  if (count > 0) entry.content.assign(buffer, static_cast<std::size_t>(count));
  ::close(fd);
  return entry;
}

}  // namespace platform::network
