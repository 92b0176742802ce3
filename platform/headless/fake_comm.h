// A scripted serial device backend for tests. Devices are added by path;
// each holds a script of read results: bytes (a read takes at most what it
// asks for and leaves the rest queued), or a bare result of 0 or -1.
// Every open, close and configuration is recorded.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/comm/comm_backend.h"

namespace headless {

class FakeComm final : public platform::CommBackend {
 public:
  struct Device {
    bool refuseOpen = false;       // the open fails (absent, busy, not permitted)
    bool rejectLineState = false;  // setLineState fails
    platform::CommHandle handle = platform::kInvalidCommHandle;  // while open
    platform::LineState state{.baudRate = 9600};  // what the device reports before set-up
    std::optional<platform::LineState> appliedState;
    std::uint32_t inputQueueBytes = 0;
    std::uint32_t outputQueueBytes = 0;
    int purges = 0;
    bool readsReturnAtOnce = false;
    int opens = 0;
    int closes = 0;
    // Why a refused open or a rejected line state failed, as the backend says.
    std::string failureReason;
    std::string description;  // what the name stands for, such as "/dev/ttyUSB0"
    platform::LineErrorCounts lineErrors;
    bool present = true;  // false while the device is away
  };

  // Adds a device (or resets it) that opens successfully.
  Device& addDevice(const std::string& path);
  Device* device(const std::string& path);

  // Queues bytes behind whatever is already scripted for the device.
  void queueBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
  // Scripts one read that returns result (0 or -1) without data.
  void queueResult(const std::string& path, int result);

  // Paths in the order they were asked for, failed opens included.
  const std::vector<std::string>& openRequests() const { return openRequests_; }
  // Paths in the order they were closed.
  const std::vector<std::string>& closedPaths() const { return closedPaths_; }
  // The maxBytes of every read, in order.
  const std::vector<int>& readSizes() const { return readSizes_; }
  bool isOpen(const std::string& path) const;

  void reset();

  // platform::CommBackend
  platform::CommHandle open(const std::string& path) override;
  bool setQueues(platform::CommHandle handle, std::uint32_t inputBytes,
                 std::uint32_t outputBytes) override;
  bool purge(platform::CommHandle handle) override;
  bool setReadsReturnAtOnce(platform::CommHandle handle) override;
  std::optional<platform::LineState> lineState(platform::CommHandle handle) override;
  bool setLineState(platform::CommHandle handle, const platform::LineState& state) override;
  int read(platform::CommHandle handle, std::uint8_t* buffer, int maxBytes) override;
  bool close(platform::CommHandle handle) override;
  std::string lastFailureReason() const override { return lastFailureReason_; }
  std::string deviceDescription(platform::CommHandle handle) const override;
  platform::LineErrorCounts lineErrors(platform::CommHandle handle) override;
  bool devicePresent(platform::CommHandle handle) const override;

 private:
  struct ScriptItem {
    std::vector<std::uint8_t> bytes;  // consumed from the front
    int result = 0;                   // used when bytes is empty
  };

  std::string pathOf(platform::CommHandle handle) const;
  const Device* openDevice(platform::CommHandle handle) const;

  std::map<std::string, Device> devices_;
  std::map<std::string, std::deque<ScriptItem>> scripts_;
  std::vector<std::string> openRequests_;
  std::vector<std::string> closedPaths_;
  std::vector<int> readSizes_;
  std::string lastFailureReason_;
  platform::CommHandle nextHandle_ = 100;
};

}  // namespace headless
