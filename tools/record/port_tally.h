// The recorder's summary of one port: the port statistics the system keeps
// (bytes, records, line errors, device lost and back) and the reads that
// failed, as one line of key=value fields for scripts.
#pragma once

#include <cstdint>
#include <string>

#include "serial/port_statistics.h"

namespace recorder {

struct PortTally {
  char letter = 'A';
  PortStatistics statistics;
  std::uint64_t failedReads = 0;
};

//   port=A name=COM3 device=/dev/pts/4 bytes=51200 records=3200 failed-reads=0
//   parity=unknown framing=unknown overrun=unknown buffer-overrun=unknown
//   breaks=unknown device-lost=0 device-back=0
// (one line; device= only when the name stands for another device). A count
// the driver gives only as a lower bound (Windows) reads framing=>=3.
std::string formatTally(const PortTally& tally);

}  // namespace recorder
