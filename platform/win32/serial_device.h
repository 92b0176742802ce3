// Serial devices through the Win32 communications functions. Reads never
// wait: each asks the driver how much it has queued and reads only that, so
// the device is opened for plain (not overlapped) I/O. A device that goes
// away keeps its handle; later reads try to open it again, at most every
// half second, with the settings it had. The reopen runs on a worker thread
// of its own, since an open can block for seconds (a Bluetooth port, a
// wedged USB adapter): a read only starts it and later takes the result.
// Closing a port puts back the DCB and timeouts it had when it was opened.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/comm/comm_backend.h"
#include "platform/win32/line_error_tally.h"

namespace platform::win32 {

class SavedCommSettings;

// What tests and benchmarks change in the backend.
struct SerialDeviceOptions {
  // Runs just before each reopen of a device that went away (tests and
  // benchmarks stand in for an open that blocks, as a Bluetooth port's can).
  std::function<void()> beforeReopen;
};

class SerialDevices final : public CommBackend {
 public:
  explicit SerialDevices(SerialDeviceOptions options = {});
  ~SerialDevices() override;
  SerialDevices(const SerialDevices&) = delete;
  SerialDevices& operator=(const SerialDevices&) = delete;

  CommHandle open(const std::string& path) override;
  bool setQueues(CommHandle handle, std::uint32_t inputBytes, std::uint32_t outputBytes) override;
  bool purge(CommHandle handle) override;
  bool setReadsReturnAtOnce(CommHandle handle) override;
  std::optional<LineState> lineState(CommHandle handle) override;
  bool setLineState(CommHandle handle, const LineState& state) override;
  int read(CommHandle handle, std::uint8_t* buffer, int maxBytes) override;
  bool close(CommHandle handle) override;
  std::string lastFailureReason() const override { return lastFailureReason_; }
  std::string deviceDescription(CommHandle handle) const override;
  LineErrorCounts lineErrors(CommHandle handle) override;
  bool devicePresent(CommHandle handle) const override;

 private:
  using Clock = std::chrono::steady_clock;
  struct Reopening;
  struct Device {
    void* handle = nullptr;  // the Win32 HANDLE
    std::string path;
    bool present = true;
    Clock::time_point lastReopen{};
    // What was set on the device, to set again on a reopen.
    std::optional<std::uint32_t> inputQueue, outputQueue;
    bool readsReturnAtOnce = false;
    std::optional<LineState> lineState;
    LineErrorTally errors;
    // The settings found at open, put back at close.
    std::unique_ptr<SavedCommSettings> found;
    std::shared_ptr<Reopening> reopening;  // while a reopen runs on its worker
  };

  Device* find(CommHandle handle);
  const Device* find(CommHandle handle) const;
  // Asks the driver for its queue and error flags; counts the errors.
  // Returns the bytes queued, or -1 when the device went away.
  long long pollStatus(Device& device);
  void markGone(Device& device);
  // Takes the result of a finished reopen, or starts one when it is time.
  void tryReopen(Device& device);
  static void reopenOnWorker(const std::shared_ptr<Reopening>& job);

  SerialDeviceOptions options_;
  std::map<CommHandle, Device> devices_;
  CommHandle nextHandle_ = 1;
  std::string lastFailureReason_;
};

}  // namespace platform::win32
