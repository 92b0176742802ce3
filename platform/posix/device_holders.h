// Which processes hold a device open, so that a user told the device is busy
// also learns which program to close.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

namespace platform::posix {

struct DeviceHolder {
  long pid = 0;
  std::string command;  // the process's name, as /proc gives it
  bool operator==(const DeviceHolder&) const = default;
};

// The pids that hold a whole-file lock on the file with this inode, read from
// the text of /proc/locks (fileSystem is the file's st_dev). Waiting lock
// requests and locks without a pid are left out.
std::vector<long> lockHoldersIn(std::string_view procLocks, dev_t fileSystem, ino_t inode);

// The holders of devicePath: those that lock it, found through /proc/locks,
// else every process with a descriptor open on the same device, as far as
// /proc lets this user see.
std::vector<DeviceHolder> findDeviceHolders(const std::string& devicePath);

// Every process but ownPid with a descriptor open on the character device,
// as far as /proc lets this user see: readers that opened the device before
// this program took it, which neither a lock nor the exclusive flag stops.
std::vector<DeviceHolder> otherDeviceHolders(dev_t device, long ownPid);

}  // namespace platform::posix
