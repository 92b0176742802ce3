// Why a serial device could not be opened or set, in words a user can act
// on. Pure: what the system said is gathered first, so every case can be
// built from an injected error.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/device_holders.h"

namespace platform::posix {

struct DeviceFailure {
  std::string name;        // the port's name, prefix removed
  std::string resolution;  // how the name came to its device; empty when it did not
  std::string portsFolder;
  int error = 0;                              // errno of the failed step
  std::vector<DeviceHolder> holders;          // for a busy device
  long ownPid = 0;                            // a holder with this pid is this program
  std::string group;                          // the device's group, for a refused permission
  std::optional<std::uint32_t> rejectedRate;  // a rate the driver would not take
  std::optional<std::uint32_t> takenRate;     // what it took instead, if it said
};

std::string describeDeviceFailure(const DeviceFailure& failure);

}  // namespace platform::posix
