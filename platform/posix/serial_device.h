// Serial devices through termios: real UARTs, USB adapters and
// pseudo-terminals alike. Nothing here depends on the modem lines, which a
// pseudo-terminal does not have.
//
// A handle is the number of the descriptor the device was first opened on,
// and keeps that number for as long as it is open: when the device goes away
// (an adapter pulled out, the far end of a pseudo-terminal closed) the dead
// descriptor is released and the number held by a stand-in, and when the
// name leads to a device again it is reopened onto the same number.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/comm/comm_backend.h"

namespace platform::posix {

struct DeviceFailure;

class SerialDevices final : public CommBackend {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // How often a device that went away is looked for again, at the most.
  static constexpr std::chrono::milliseconds kReopenInterval{500};

  // portsFolder holds symbolic links that name devices (see device_names.h);
  // clock is the monotonic clock (the steady clock when none is given).
  explicit SerialDevices(std::string portsFolder, Clock clock = {});
  ~SerialDevices() override;
  SerialDevices(const SerialDevices&) = delete;
  SerialDevices& operator=(const SerialDevices&) = delete;

  CommHandle open(const std::string& path) override;
  bool setQueues(CommHandle handle, std::uint32_t inputBytes, std::uint32_t outputBytes) override;
  bool purge(CommHandle handle) override;
  bool setReadsReturnAtOnce(CommHandle handle) override;
  std::optional<LineState> lineState(CommHandle handle) override;
  bool setLineState(CommHandle handle, const LineState& state) override;
  // While the device is away: -1, and at most every kReopenInterval an
  // attempt to open it again with the line state it had.
  int read(CommHandle handle, std::uint8_t* buffer, int maxBytes) override;
  bool close(CommHandle handle) override;

  std::string lastFailureReason() const override { return lastFailureReason_; }
  std::string deviceDescription(CommHandle handle) const override;
  LineErrorCounts lineErrors(CommHandle handle) override;
  std::optional<std::uint64_t> damagedBytes(CommHandle handle) override;
  bool devicePresent(CommHandle handle) const override;

  // errno of the last open that failed.
  int lastOpenError() const { return lastOpenError_; }

 private:
  struct Port;
  struct Attempt;

  Attempt openDevice(const std::string& name) const;
  DeviceFailure failureOf(const std::string& name) const;
  void reportOpenFailure(const Attempt& attempt);
  Port* presentPort(CommHandle handle);
  const Port* findPort(CommHandle handle) const;
  void loseDevice(CommHandle handle, Port& port);
  bool tryReopen(CommHandle handle, Port& port);

  std::string portsFolder_;
  Clock clock_;
  // Stands in for the descriptor of a device that went away.
  int standIn_ = -1;
  std::map<CommHandle, std::unique_ptr<Port>> ports_;
  std::string lastFailureReason_;
  int lastOpenError_ = 0;
};

}  // namespace platform::posix
