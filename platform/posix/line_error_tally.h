// Line errors counted by a serial driver, turned into counts since a device
// was opened. The driver's counters run from when it loaded the device and
// never reset, so the counts are differences from a baseline read at open.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/comm/comm_backend.h"

namespace platform::posix {

// The driver's error counters as TIOCGICOUNT gives them.
struct DriverErrorCounters {
  std::uint32_t parity = 0;
  std::uint32_t framing = 0;
  std::uint32_t overrun = 0;
  std::uint32_t bufferOverrun = 0;
  std::uint32_t breaks = 0;
  bool operator==(const DriverErrorCounters&) const = default;
};

// The counters of the open device fd; nothing when the driver does not keep
// them (a pseudo-terminal, or a device that went away).
std::optional<DriverErrorCounters> readDriverErrorCounters(int fd);

// The counts of one port across every open of it: a device that went away
// and was opened again adds what it counts to what was counted before.
class LineErrorTally {
 public:
  // The device was opened (again); baseline is what its driver counted then.
  void startPeriod(std::optional<DriverErrorCounters> baseline);
  // What the driver counts now; nothing (a failed read) keeps what was seen.
  void update(std::optional<DriverErrorCounters> latest);
  // Unknown when no open of the port had a driver that counts.
  LineErrorCounts counts() const;

 private:
  struct Totals {
    std::uint64_t parity = 0;
    std::uint64_t framing = 0;
    std::uint64_t overrun = 0;
    std::uint64_t bufferOverrun = 0;
    std::uint64_t breaks = 0;
  };
  Totals currentPeriod() const;

  std::optional<Totals> earlier_;
  std::optional<DriverErrorCounters> baseline_;
  DriverErrorCounters latest_;
};

}  // namespace platform::posix
