#include "platform/network/port_router.h"

#include <string_view>

#include "platform/network/folder_entry.h"
#include "platform/network/remote_address.h"

namespace platform::network {
namespace {

std::string_view withoutDevicePrefix(std::string_view name) {
  if (name.starts_with("//./") || name.starts_with("\\\\.\\")) name.remove_prefix(4);
  return name;
}

// A name that can be an entry of the ports folder and nothing beyond it.
bool plainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of("/\\:") == std::string_view::npos;
}

// The entry's first line, without the blanks around it.
std::string firstLine(const std::string& content) {
  std::string line = content.substr(0, content.find_first_of("\r\n"));
  const std::size_t start = line.find_first_not_of(" \t");
  if (start == std::string::npos) return {};
  line.erase(0, start);
  line.erase(line.find_last_not_of(" \t") + 1);
  return line;
}

}  // namespace

PortRouter::PortRouter(CommBackend& serial, CommBackend& remote, std::string portsFolder)
    : serial_(serial), remote_(remote), portsFolder_(std::move(portsFolder)) {}

CommBackend* PortRouter::backendOf(CommHandle handle) const {
  const auto found = routes_.find(handle);
  return found != routes_.end() ? found->second.backend : nullptr;
}

CommHandle PortRouter::openRemote(const std::string& name, const std::string& address) {
  const CommHandle handle = remote_.open(address);
  if (handle == kInvalidCommHandle) {
    lastFailureReason_ =
        (name == address ? std::string() : name + " -> ") + remote_.lastFailureReason();
    return kInvalidCommHandle;
  }
  routes_[handle] = name == address ? Route{&remote_, {}, {}} : Route{&remote_, address, name};
  lastFailureReason_.clear();
  return handle;
}

CommHandle PortRouter::open(const std::string& path) {
  const std::string name(withoutDevicePrefix(path));
  if (looksLikeRemoteAddress(name)) return openRemote(name, name);
  if (plainName(name) && !portsFolder_.empty()) {
    const std::string entryPath = portsFolder_ + kPathSeparator + name;
    const FolderEntry entry = inspectFolderEntry(entryPath);
    if (looksLikeRemoteAddress(entry.linkTarget)) {
      lastFailureReason_ = name + ": " + entryPath + " is a symbolic link to \"" +
                           entry.linkTarget +
                           "\"; a remote line is named by a text file holding its address: "
                           "remove the link, then write the address into a file of that name";
      return kInvalidCommHandle;
    }
    if (entry.regularFile) {
      const std::string address = firstLine(entry.content);
      if (!looksLikeRemoteAddress(address)) {
        lastFailureReason_ = name + ": " + entryPath + " holds \"" + address.substr(0, 80) +
                             "\", which is not the address of a remote line; write it as " +
                             kRemoteAddressForms;
        return kInvalidCommHandle;
      }
      return openRemote(name, address);
    }
  }
  const CommHandle handle = serial_.open(path);
  if (handle == kInvalidCommHandle) {
    lastFailureReason_ = serial_.lastFailureReason();
    return kInvalidCommHandle;
  }
  routes_[handle] = Route{&serial_, {}, {}};
  lastFailureReason_.clear();
  return handle;
}

bool PortRouter::setQueues(CommHandle handle, std::uint32_t inputBytes, std::uint32_t outputBytes) {
  CommBackend* backend = backendOf(handle);
  return backend != nullptr && backend->setQueues(handle, inputBytes, outputBytes);
}

bool PortRouter::purge(CommHandle handle) {
  CommBackend* backend = backendOf(handle);
  return backend != nullptr && backend->purge(handle);
}

bool PortRouter::setReadsReturnAtOnce(CommHandle handle) {
  CommBackend* backend = backendOf(handle);
  return backend != nullptr && backend->setReadsReturnAtOnce(handle);
}

std::optional<LineState> PortRouter::lineState(CommHandle handle) {
  CommBackend* backend = backendOf(handle);
  return backend != nullptr ? backend->lineState(handle) : std::nullopt;
}

bool PortRouter::setLineState(CommHandle handle, const LineState& state) {
  const auto found = routes_.find(handle);
  if (found == routes_.end()) return false;
  const Route& route = found->second;
  if (route.backend->setLineState(handle, state)) {
    lastFailureReason_.clear();
    return true;
  }
  lastFailureReason_ = (route.name.empty() ? std::string() : route.name + " -> ") +
                       route.backend->lastFailureReason();
  return false;
}

int PortRouter::read(CommHandle handle, std::uint8_t* buffer, int maxBytes) {
  CommBackend* backend = backendOf(handle);
  return backend != nullptr ? backend->read(handle, buffer, maxBytes) : -1;
}

bool PortRouter::close(CommHandle handle) {
  const auto found = routes_.find(handle);
  if (found == routes_.end()) return false;
  CommBackend* backend = found->second.backend;
  routes_.erase(found);
  return backend->close(handle);
}

std::string PortRouter::deviceDescription(CommHandle handle) const {
  const auto found = routes_.find(handle);
  if (found == routes_.end()) return {};
  if (found->second.backend == &remote_) return found->second.shownAs;
  return found->second.backend->deviceDescription(handle);
}

LineErrorCounts PortRouter::lineErrors(CommHandle handle) {
  CommBackend* backend = backendOf(handle);
  return backend != nullptr ? backend->lineErrors(handle) : LineErrorCounts{};
}

std::optional<std::uint64_t> PortRouter::damagedBytes(CommHandle handle) {
  CommBackend* backend = backendOf(handle);
  return backend != nullptr ? backend->damagedBytes(handle) : std::nullopt;
}

bool PortRouter::devicePresent(CommHandle handle) const {
  const CommBackend* backend = backendOf(handle);
  return backend != nullptr && backend->devicePresent(handle);
}

}  // namespace platform::network
