#include "serial/port_statistics.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "capture/monitor_state.h"
#include "capture/utc_time_text.h"
#include "platform/diagnostics/diagnostic_lines.h"

namespace {

constexpr int kPortCount = 2;
const char* const kPortLabel[kPortCount] = {"PORT A", "PORT B"};

bool validPort(int port) { return port >= 0 && port < kPortCount; }

// A count the driver cannot give is shown as "?": unknown is not zero. One
// that can only be a lower bound says so ("at least 3").
std::string countText(const std::optional<std::uint64_t>& count, bool atLeast) {
  if (!count.has_value()) return "?";
  return (atLeast && *count != 0 ? "at least " : "") + withThousandsSeparators(*count);
}

// The receiver's overrun and the driver's queue overflow lose bytes alike;
// the sum is shown once either is known.
std::optional<std::uint64_t> overrunsOf(const platform::LineErrorCounts& errors) {
  if (!errors.overrun.has_value() && !errors.bufferOverrun.has_value()) return std::nullopt;
  return errors.overrun.value_or(0) + errors.bufferOverrun.value_or(0);
}

// "PORT A COM3 -> /dev/ttyUSB0", without the arrow when the name is the device.
std::string portHeading(const PortStatistics& statistics) {
  std::string heading = statistics.portLabel + " " + statistics.name;
  if (!statistics.deviceDescription.empty()) heading += " -> " + statistics.deviceDescription;
  return heading;
}

void printLine(const std::string& line) { platform::writeDiagnosticLine(line); }

}  // namespace

std::string withThousandsSeparators(std::uint64_t value) {
  std::string digits = std::to_string(value);
  for (std::size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
  return digits;
}

void startPortCounters(int port, const std::string& name) {
  if (!validPort(port)) return;
  PortRunCounters& counters = monitorState.portRun[port];
  counters = PortRunCounters{};
  const std::size_t kept = std::min(name.size(), sizeof counters.name - 1);
  std::memcpy(counters.name, name.data(), kept);
}

std::optional<PortStatistics> openPortStatistics(int port) {
  if (!validPort(port) || monitorState.portHandle[port] == platform::kInvalidCommHandle) {
    return std::nullopt;
  }
  const platform::CommHandle handle = monitorState.portHandle[port];
  const PortRunCounters& counters = monitorState.portRun[port];
  platform::CommBackend& comm = platform::commBackend();
  PortStatistics statistics;
  statistics.portLabel = kPortLabel[port];
  statistics.name = counters.name;
  statistics.deviceDescription = comm.deviceDescription(handle);
  statistics.bytesReceived = counters.bytesReceived;
  statistics.recordsCaptured = counters.recordsCaptured;
  statistics.lineErrors = comm.lineErrors(handle);
  statistics.damagedBytes = comm.damagedBytes(handle);
  statistics.timesLost = counters.timesLost;
  statistics.timesBack = counters.timesBack;
  statistics.deviceAway = counters.deviceAway != 0;
  return statistics;
}

std::string formatPortStatistics(const PortStatistics& statistics) {
  const platform::LineErrorCounts& errors = statistics.lineErrors;
  const bool atLeast = errors.atLeast;
  std::string line = portHeading(statistics) + ": " +
                     withThousandsSeparators(statistics.bytesReceived) + " bytes, " +
                     countText(errors.parity, atLeast) + " parity, " +
                     countText(errors.framing, atLeast) + " framing, " +
                     countText(overrunsOf(errors), atLeast) + " overrun errors";
  if (errors.breaks.value_or(0) != 0) line += ", " + countText(errors.breaks, atLeast) + " breaks";
  if (statistics.damagedBytes.value_or(0) != 0)
    line += ", " + withThousandsSeparators(*statistics.damagedBytes) + " damaged bytes";
  return line;
}

void printPortStatistics(int port) {
  if (const auto statistics = openPortStatistics(port))
    printLine(formatPortStatistics(*statistics));
}

void printOpenPortStatistics() {
  for (int port = 0; port < kPortCount; ++port) printPortStatistics(port);
}

void notePortPresence(int port, bool present) {
  if (!validPort(port)) return;
  PortRunCounters& counters = monitorState.portRun[port];
  const bool away = !present;
  if (away == (counters.deviceAway != 0)) return;
  const auto statistics = openPortStatistics(port);
  if (!statistics) return;
  // The poll number as the records' labels count it, and the wall-clock
  // time, which the labels do not keep.
  const auto poll = static_cast<std::uint32_t>(monitorState.pollSeq);
  const std::string when = " at " + utcTimeText(wallClockMicrosNow());
  if (present) {
    counters.deviceAway = 0;
    ++counters.timesBack;
    printLine(portHeading(*statistics) + ": device back at poll " + std::to_string(poll) + when +
              ", capture goes on");
  } else {
    counters.deviceAway = 1;
    ++counters.timesLost;
    printLine(portHeading(*statistics) + ": device lost at poll " + std::to_string(poll) + when);
  }
}
