// What the recorder counts per port for its summary: bytes and records
// received, failed reads, the line errors the driver counted, and how often
// the device went away and came back.
#pragma once

#include <cstdint>
#include <string>

#include "platform/comm/comm_backend.h"

namespace recorder {

struct PortTally {
  char letter = 'A';
  std::string name;    // the port name from the settings, such as "COM3"
  std::string device;  // what the name stands for, when the backend says
  std::uint64_t bytes = 0;
  std::uint64_t records = 0;
  std::uint64_t failedReads = 0;
  std::uint64_t deviceLost = 0;
  std::uint64_t deviceBack = 0;
  bool present = true;
  platform::LineErrorCounts lineErrors;

  // One read's result, as the poll cycle will append it: records of at
  // most 16 bytes.
  void countRead(int result);

  // The device's presence after a tick; true when it changed.
  bool notePresence(bool nowPresent);
};

// One line of key=value fields:
//   port=A name=COM3 device=/dev/pts/4 bytes=51200 records=3200 failed-reads=0
//   parity=unknown framing=unknown overrun=unknown buffer-overrun=unknown
//   breaks=unknown device-lost=0 device-back=0
std::string formatTally(const PortTally& tally);

}  // namespace recorder
