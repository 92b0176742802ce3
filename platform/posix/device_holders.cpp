#include "platform/posix/device_holders.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <climits>
#include <iterator>
#include <sstream>

namespace platform::posix {
namespace {

// A /proc file, whose size stat does not give.
std::string readProcFile(const std::string& path) {
  std::string text;
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char chunk[4096];
  ssize_t count = 0;
  while ((count = ::read(fd, chunk, sizeof chunk)) > 0) {
    text.append(chunk, static_cast<std::size_t>(count));
  }
  ::close(fd);
  return text;
}

template <typename Number>
bool parseNumber(std::string_view text, Number& value, int base = 10) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return error == std::errc() && end == text.data() + text.size();
}

// "MAJ:MIN:INODE" with the device numbers in hexadecimal.
bool matchesFile(std::string_view field, dev_t fileSystem, ino_t inode) {
  const std::size_t first = field.find(':');
  const std::size_t second = field.find(':', first + 1);
  if (first == std::string_view::npos || second == std::string_view::npos) return false;
  unsigned majorNumber = 0;
  unsigned minorNumber = 0;
  unsigned long long inodeNumber = 0;
  return parseNumber(field.substr(0, first), majorNumber, 16) &&
         parseNumber(field.substr(first + 1, second - first - 1), minorNumber, 16) &&
         parseNumber(field.substr(second + 1), inodeNumber) && majorNumber == major(fileSystem) &&
         minorNumber == minor(fileSystem) && inodeNumber == inode;
}

std::string commandOf(long pid) {
  std::string command = readProcFile("/proc/" + std::to_string(pid) + "/comm");
  while (!command.empty() && (command.back() == '\n' || command.back() == ' ')) command.pop_back();
  return command.empty() ? std::string("?") : command;
}

bool isPid(const char* name, long& pid) {
  return parseNumber(std::string_view(name), pid) && pid > 0;
}

// Whether process pid has a descriptor open on the character device.
bool hasDeviceOpen(long pid, dev_t device) {
  const std::string folder = "/proc/" + std::to_string(pid) + "/fd";
  DIR* descriptors = opendir(folder.c_str());
  if (descriptors == nullptr) return false;
  bool found = false;
  while (const dirent* entry = readdir(descriptors)) {
    if (entry->d_name[0] == '.') continue;
    const std::string link = folder + "/" + entry->d_name;
    char target[PATH_MAX];
    const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
    // Only device files are looked at: stat through a link to anything else
    // (a network file) could stall.
    if (length <= 0 ||
        std::string_view(target, static_cast<std::size_t>(length)).rfind("/dev/", 0) != 0) {
      continue;
    }
    struct stat info {};
    if (stat(link.c_str(), &info) == 0 && S_ISCHR(info.st_mode) && info.st_rdev == device) {
      found = true;
      break;
    }
  }
  closedir(descriptors);
  return found;
}

std::vector<long> processesWithDeviceOpen(dev_t device) {
  std::vector<long> pids;
  DIR* processes = opendir("/proc");
  if (processes == nullptr) return pids;
  while (const dirent* entry = readdir(processes)) {
    long pid = 0;
    if (isPid(entry->d_name, pid) && hasDeviceOpen(pid, device)) pids.push_back(pid);
  }
  closedir(processes);
  return pids;
}

}  // namespace

std::vector<long> lockHoldersIn(std::string_view procLocks, dev_t fileSystem, ino_t inode) {
  std::vector<long> pids;
  std::istringstream lines{std::string(procLocks)};
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::vector<std::string> field{std::istream_iterator<std::string>(fields),
                                   std::istream_iterator<std::string>()};
    // "1: FLOCK ADVISORY WRITE 1234 00:1a:3 0 EOF"; a waiting request has
    // "->" after the number.
    if (field.size() < 6 || field[1] == "->") continue;
    long pid = 0;
    if (!parseNumber(field[4], pid) || pid <= 0) continue;
    if (!matchesFile(field[5], fileSystem, inode)) continue;
    if (std::find(pids.begin(), pids.end(), pid) == pids.end()) pids.push_back(pid);
  }
  return pids;
}

std::vector<DeviceHolder> findDeviceHolders(const std::string& devicePath) {
  struct stat info {};
  if (stat(devicePath.c_str(), &info) != 0) return {};
  std::vector<long> pids = lockHoldersIn(readProcFile("/proc/locks"), info.st_dev, info.st_ino);
  if (pids.empty() && S_ISCHR(info.st_mode)) pids = processesWithDeviceOpen(info.st_rdev);
  std::vector<DeviceHolder> holders;
  for (long pid : pids) holders.push_back(DeviceHolder{pid, commandOf(pid)});
  return holders;
}

std::vector<DeviceHolder> otherDeviceHolders(dev_t device, long ownPid) {
  std::vector<DeviceHolder> holders;
  for (long pid : processesWithDeviceOpen(device)) {
    if (pid != ownPid) holders.push_back(DeviceHolder{pid, commandOf(pid)});
  }
  return holders;
}

}  // namespace platform::posix
