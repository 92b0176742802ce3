#include "platform/headless/fake_comm.h"

#include <algorithm>
#include <cstring>

namespace headless {

FakeComm::Device& FakeComm::addDevice(const std::string& path) {
  Device& device = devices_[path];
  device = Device{};
  scripts_[path].clear();
  return device;
}

FakeComm::Device* FakeComm::device(const std::string& path) {
  const auto found = devices_.find(path);
  return found != devices_.end() ? &found->second : nullptr;
}

void FakeComm::queueBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  if (!bytes.empty()) scripts_[path].push_back(ScriptItem{bytes, 0});
}

void FakeComm::queueResult(const std::string& path, int result) {
  scripts_[path].push_back(ScriptItem{{}, result});
}

bool FakeComm::isOpen(const std::string& path) const {
  const auto found = devices_.find(path);
  return found != devices_.end() && found->second.handle != platform::kInvalidCommHandle;
}

void FakeComm::reset() { *this = FakeComm{}; }

std::string FakeComm::pathOf(platform::CommHandle handle) const {
  if (handle == platform::kInvalidCommHandle) return {};
  for (const auto& [path, device] : devices_) {
    if (device.handle == handle) return path;
  }
  return {};
}

platform::CommHandle FakeComm::open(const std::string& path) {
  openRequests_.push_back(path);
  Device* found = device(path);
  lastFailureReason_.clear();
  // Unknown, refused, or held already: exclusive like a real port.
  if (found == nullptr) {
    lastFailureReason_ = "there is no device \"" + path + "\"";
    return platform::kInvalidCommHandle;
  }
  if (found->handle != platform::kInvalidCommHandle) {
    lastFailureReason_ = "\"" + path + "\" is held already";
    return platform::kInvalidCommHandle;
  }
  if (found->refuseOpen) {
    lastFailureReason_ = found->failureReason;
    return platform::kInvalidCommHandle;
  }
  found->handle = nextHandle_++;
  ++found->opens;
  return found->handle;
}

bool FakeComm::setQueues(platform::CommHandle handle, std::uint32_t inputBytes,
                         std::uint32_t outputBytes) {
  Device* found = device(pathOf(handle));
  if (found == nullptr) return false;
  found->inputQueueBytes = inputBytes;
  found->outputQueueBytes = outputBytes;
  return true;
}

bool FakeComm::purge(platform::CommHandle handle) {
  const std::string path = pathOf(handle);
  Device* found = device(path);
  if (found == nullptr) return false;
  ++found->purges;
  return true;
}

bool FakeComm::setReadsReturnAtOnce(platform::CommHandle handle) {
  Device* found = device(pathOf(handle));
  if (found == nullptr) return false;
  found->readsReturnAtOnce = true;
  return true;
}

std::optional<platform::LineState> FakeComm::lineState(platform::CommHandle handle) {
  Device* found = device(pathOf(handle));
  if (found == nullptr) return std::nullopt;
  return found->state;
}

bool FakeComm::setLineState(platform::CommHandle handle, const platform::LineState& state) {
  Device* found = device(pathOf(handle));
  lastFailureReason_.clear();
  if (found == nullptr) return false;
  if (found->rejectLineState) {
    lastFailureReason_ = found->failureReason;
    return false;
  }
  found->appliedState = state;
  found->state = state;
  return true;
}

int FakeComm::read(platform::CommHandle handle, std::uint8_t* buffer, int maxBytes) {
  readSizes_.push_back(maxBytes);
  const std::string path = pathOf(handle);
  if (path.empty() || maxBytes < 0) return -1;
  auto& script = scripts_[path];
  if (script.empty()) return 0;
  ScriptItem& next = script.front();
  if (next.bytes.empty()) {
    const int result = next.result;
    script.pop_front();
    return result;
  }
  const std::size_t count = std::min(next.bytes.size(), static_cast<std::size_t>(maxBytes));
  std::memcpy(buffer, next.bytes.data(), count);
  next.bytes.erase(next.bytes.begin(), next.bytes.begin() + static_cast<std::ptrdiff_t>(count));
  if (next.bytes.empty()) script.pop_front();
  return static_cast<int>(count);
}

bool FakeComm::close(platform::CommHandle handle) {
  const std::string path = pathOf(handle);
  Device* found = device(path);
  if (found == nullptr) return false;
  found->handle = platform::kInvalidCommHandle;
  ++found->closes;
  closedPaths_.push_back(path);
  return true;
}

const FakeComm::Device* FakeComm::openDevice(platform::CommHandle handle) const {
  const auto found = devices_.find(pathOf(handle));
  return found != devices_.end() ? &found->second : nullptr;
}

std::string FakeComm::deviceDescription(platform::CommHandle handle) const {
  const Device* found = openDevice(handle);
  return found != nullptr ? found->description : std::string();
}

platform::LineErrorCounts FakeComm::lineErrors(platform::CommHandle handle) {
  const Device* found = openDevice(handle);
  return found != nullptr ? found->lineErrors : platform::LineErrorCounts{};
}

bool FakeComm::devicePresent(platform::CommHandle handle) const {
  const Device* found = openDevice(handle);
  return found != nullptr && found->present;
}

}  // namespace headless
