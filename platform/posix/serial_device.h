// Serial devices through termios: real UARTs, USB adapters and
// pseudo-terminals alike. Nothing here depends on the modem lines, which a
// pseudo-terminal does not have.
#pragma once

#include <set>
#include <string>

#include "platform/comm/comm_backend.h"

namespace platform::posix {

class SerialDevices final : public CommBackend {
 public:
  // portsFolder holds symbolic links that name devices (see device_names.h).
  explicit SerialDevices(std::string portsFolder);
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

  // errno of the last open that failed, for the detail of a message.
  int lastOpenError() const { return lastOpenError_; }

 private:
  bool isOpen(CommHandle handle) const;

  std::string portsFolder_;
  std::set<int> openFds_;
  int lastOpenError_ = 0;
};

}  // namespace platform::posix
