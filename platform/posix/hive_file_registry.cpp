#include "platform/posix/hive_file_registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::posix {
namespace {

std::string fullKeyPath(RegistryRoot root, const std::string& path) {
  return std::string(registryRootName(root)) + "\\" + path;
}

std::string parentFolder(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool writeAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(fd, text.data(), text.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// Creates the folder and its parents as needed.
bool makeFolders(const std::string& folder) {
  struct stat info {};
  if (stat(folder.c_str(), &info) == 0) return S_ISDIR(info.st_mode);
  const std::string parent = parentFolder(folder);
  if (parent != folder && !makeFolders(parent)) return false;
  return mkdir(folder.c_str(), 0755) == 0 || errno == EEXIST;
}

}  // namespace

HiveFileRegistry::HiveFileRegistry(std::string path) : path_(std::move(path)) {}

HiveFileRegistry::Loaded HiveFileRegistry::load() const {
  Loaded loaded;
  const auto unreadable = [&loaded](std::string why) {
    loaded.state = FileState::Unreadable;
    loaded.fault = std::move(why);
    return loaded;
  };
  const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (errno == ENOENT) return loaded;
    return unreadable(std::string("cannot be read: ") + std::strerror(errno));
  }
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    const bool folder = S_ISDIR(info.st_mode);
    ::close(fd);
    return unreadable(folder ? "is a folder, not a file" : "is not a regular file");
  }
  char chunk[4096];
  while (true) {
    const ssize_t count = ::read(fd, chunk, sizeof chunk);
    if (count < 0) {
      if (errno == EINTR) continue;
      const int error = errno;
      ::close(fd);
      return unreadable(std::string("cannot be read: ") + std::strerror(error));
    }
    if (count == 0) break;
    loaded.text.append(chunk, static_cast<std::size_t>(count));
  }
  ::close(fd);
  std::string why;
  if (auto hive = parseHive(loaded.text, &why)) {
    loaded.hive = std::move(*hive);
    loaded.state = FileState::Parsed;
  } else {
    loaded.state = FileState::Unparsable;
    loaded.fault = "is not a registry file: " + why;
  }
  return loaded;
}

std::string HiveFileRegistry::takeStoreFault() {
  const Loaded loaded = load();
  if (loaded.fault.empty()) {
    toldFault_.clear();
    return {};
  }
  if (loaded.fault == toldFault_) return {};
  toldFault_ = loaded.fault;
  return "The settings file " + path_ + " " + loaded.fault + ".";
}

bool HiveFileRegistry::writable() const {
  // The owner's write bit counts even for root, who passes access(W_OK):
  // a file made read-only is a file its user does not want changed.
  struct stat info {};
  if (stat(path_.c_str(), &info) == 0) {
    if ((info.st_mode & S_IWUSR) == 0 || access(path_.c_str(), W_OK) != 0) return false;
  }
  const std::string folder = parentFolder(path_);
  return stat(folder.c_str(), &info) != 0 || access(folder.c_str(), W_OK) == 0;
}

std::string HiveFileRegistry::refusedChangeReason() const {
  if (const Loaded loaded = load(); !loaded.fault.empty()) {
    return "The settings file " + path_ + " " + loaded.fault +
           ". It is left as it is: mend it, move it away or name another file in "
           "KORVANE_REGISTRY, then save again.";
  }
  return "The settings file " + path_ +
         " (or its folder) may not be written by this user. Make it writable (chmod u+w), "
         "or name a writable file in KORVANE_REGISTRY, then save again.";
}

RegistryKey HiveFileRegistry::remember(const std::string& fullPath, bool readOnly) {
  const RegistryKey key = nextKey_++;
  openKeys_[key] = fullPath;
  if (readOnly) readOnlyKeys_.insert(key);
  return key;
}

RegistryStatus HiveFileRegistry::openExistingKey(RegistryRoot root, const std::string& path,
                                                 bool forChange, RegistryKey* key) {
  *key = kNoRegistryKey;
  const Loaded loaded = load();
  if (loaded.state == FileState::Unreadable) return RegistryStatus::AccessDenied;
  if (loaded.state != FileState::Parsed) return RegistryStatus::NotFound;
  const std::string fullPath = fullKeyPath(root, path);
  if (loaded.hive.findKey(fullPath) == nullptr) return RegistryStatus::NotFound;
  if (forChange && !writable()) return RegistryStatus::AccessDenied;
  *key = remember(fullPath, !forChange);
  return RegistryStatus::Ok;
}

RegistryStatus HiveFileRegistry::openKeyFullAccess(RegistryRoot root, const std::string& path,
                                                   RegistryKey* key) {
  return openExistingKey(root, path, true, key);
}

RegistryStatus HiveFileRegistry::openKeyForReading(RegistryRoot root, const std::string& path,
                                                   RegistryKey* key) {
  return openExistingKey(root, path, false, key);
}

RegistryStatus HiveFileRegistry::hiveToChange(Hive& hive) {
  if (!writable()) return RegistryStatus::AccessDenied;
  Loaded loaded = load();
  switch (loaded.state) {
    case FileState::Parsed:
      hive = std::move(loaded.hive);
      return RegistryStatus::Ok;
    case FileState::Missing:
      hive = Hive{};
      return RegistryStatus::Ok;
    case FileState::Unparsable:
    case FileState::Unreadable:
      // Somebody's file that this program cannot read is never replaced.
      break;
  }
  return RegistryStatus::AccessDenied;
}

RegistryStatus HiveFileRegistry::createKey(RegistryRoot root, const std::string& path,
                                           RegistryKey* key) {
  *key = kNoRegistryKey;
  Hive hive;
  if (const RegistryStatus status = hiveToChange(hive); status != RegistryStatus::Ok) {
    return status;
  }
  const std::string fullPath = fullKeyPath(root, path);
  if (hive.findKey(fullPath) == nullptr) {
    hive.ensureKey(fullPath);
    if (!writeAtomically(formatHive(hive))) return RegistryStatus::Failed;
  }
  *key = remember(fullPath);
  return RegistryStatus::Ok;
}

RegistryStatus HiveFileRegistry::queryValue(RegistryKey key, const std::string& name,
                                            std::uint8_t* buffer, std::uint32_t* dataLength) {
  const auto open = openKeys_.find(key);
  if (open == openKeys_.end()) return RegistryStatus::Failed;
  const Loaded loaded = load();
  if (loaded.state != FileState::Parsed) return RegistryStatus::NotFound;
  const HiveKey* hiveKey = loaded.hive.findKey(open->second);
  const HiveValue* value = hiveKey != nullptr ? hiveKey->findValue(name) : nullptr;
  if (value == nullptr) return RegistryStatus::NotFound;
  const std::uint32_t capacity = *dataLength;
  *dataLength = static_cast<std::uint32_t>(value->data.size());
  if (value->data.size() > capacity) return RegistryStatus::MoreData;
  if (!value->data.empty()) std::memcpy(buffer, value->data.data(), value->data.size());
  return RegistryStatus::Ok;
}

RegistryStatus HiveFileRegistry::setStringValue(RegistryKey key, const std::string& name,
                                                const std::uint8_t* data,
                                                std::uint32_t dataLength) {
  const auto open = openKeys_.find(key);
  if (open == openKeys_.end()) return RegistryStatus::Failed;
  if (readOnlyKeys_.contains(key)) return RegistryStatus::AccessDenied;
  Hive hive;
  if (const RegistryStatus status = hiveToChange(hive); status != RegistryStatus::Ok) {
    return status;
  }
  hive.ensureKey(open->second)
      .setValue(name, kRegSz, std::vector<std::uint8_t>(data, data + dataLength));
  return writeAtomically(formatHive(hive)) ? RegistryStatus::Ok : RegistryStatus::Failed;
}

void HiveFileRegistry::closeKey(RegistryKey key) {
  openKeys_.erase(key);
  readOnlyKeys_.erase(key);
}

bool HiveFileRegistry::writeAtomically(const std::string& text) const {
  const std::string folder = parentFolder(path_);
  if (!makeFolders(folder)) return false;
  std::string temporary = path_ + ".XXXXXX";
  std::vector<char> name(temporary.begin(), temporary.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) return false;
  temporary.assign(name.data());
  // Keep the permissions of the file being replaced; a new one gets 0644.
  struct stat info {};
  const mode_t mode = stat(path_.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0644;
  const bool written = fchmod(fd, mode) == 0 && writeAll(fd, text) && fsync(fd) == 0;
  if (::close(fd) != 0 || !written || rename(temporary.c_str(), path_.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  // The rename itself is made durable through the folder.
  const int folderFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folderFd >= 0) {
    fsync(folderFd);
    ::close(folderFd);
  }
  return true;
}

}  // namespace platform::posix
