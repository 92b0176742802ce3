#include "tools/record/port_tally.h"

namespace recorder {

namespace {

// A count the driver cannot give is unknown, which is not zero; one that is
// only a lower bound is written ">=3", so that a script reading it as a
// plain number fails instead of taking it for exact.
std::string count(const std::optional<std::uint64_t>& value, bool atLeast) {
  if (!value) return "unknown";
  return (atLeast && *value != 0 ? ">=" : "") + std::to_string(*value);
}

}  // namespace

std::string formatTally(const PortTally& t) {
  const PortStatistics& s = t.statistics;
  const bool atLeast = s.lineErrors.atLeast;
  std::string line = "port=";
  line += t.letter;
  line += " name=" + s.name;
  if (!s.deviceDescription.empty()) line += " device=" + s.deviceDescription;
  line += " bytes=" + std::to_string(s.bytesReceived) +
          " records=" + std::to_string(s.recordsCaptured) +
          " failed-reads=" + std::to_string(t.failedReads) +
          " parity=" + count(s.lineErrors.parity, atLeast) +
          " framing=" + count(s.lineErrors.framing, atLeast) +
          " overrun=" + count(s.lineErrors.overrun, atLeast) +
          " buffer-overrun=" + count(s.lineErrors.bufferOverrun, atLeast) +
          " breaks=" + count(s.lineErrors.breaks, atLeast) +
          " device-lost=" + std::to_string(s.timesLost) +
          " device-back=" + std::to_string(s.timesBack) +
          " damaged=" + count(s.damagedBytes, false);
  return line;
}

}  // namespace recorder
