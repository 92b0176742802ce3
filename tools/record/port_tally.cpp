#include "tools/record/port_tally.h"

namespace recorder {

namespace {

// A count the driver cannot give is unknown, which is not zero.
std::string count(const std::optional<std::uint64_t>& value) {
  return value ? std::to_string(*value) : "unknown";
}

}  // namespace

std::string formatTally(const PortTally& t) {
  const PortStatistics& s = t.statistics;
  std::string line = "port=";
  line += t.letter;
  line += " name=" + s.name;
  if (!s.deviceDescription.empty()) line += " device=" + s.deviceDescription;
  line += " bytes=" + std::to_string(s.bytesReceived) +
          " records=" + std::to_string(s.recordsCaptured) +
          " failed-reads=" + std::to_string(t.failedReads) +
          " parity=" + count(s.lineErrors.parity) + " framing=" + count(s.lineErrors.framing) +
          " overrun=" + count(s.lineErrors.overrun) +
          " buffer-overrun=" + count(s.lineErrors.bufferOverrun) +
          " breaks=" + count(s.lineErrors.breaks) + " device-lost=" + std::to_string(s.timesLost) +
          " device-back=" + std::to_string(s.timesBack) + " damaged=" + count(s.damagedBytes);
  return line;
}

}  // namespace recorder
