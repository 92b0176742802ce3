// Per-port figures of a capture: what each open port received, the line
// errors its driver counted and how often its device went away. The monitor
// prints them as one line per port as diagnostic lines (standard error and the log file) when a
// capture ends; other programs that run the ports read them through this header.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/comm/comm_backend.h"

struct PortStatistics {
  std::string portLabel;          // "PORT A" or "PORT B"
  std::string name;               // the name the port was opened by, such as "COM3"
  std::string deviceDescription;  // what the name stands for, such as "/dev/ttyUSB0"; may be empty
  std::uint64_t bytesReceived = 0;
  std::uint64_t recordsCaptured = 0;
  platform::LineErrorCounts lineErrors;
  std::optional<std::uint64_t> damagedBytes;  // marked in the data; see CommBackend
  std::uint32_t timesLost = 0;
  std::uint32_t timesBack = 0;
  bool deviceAway = false;  // lost and not back yet
};

// The figures of port (0 port A, 1 port B) since it was opened; nullopt
// while it is not open.
std::optional<PortStatistics> openPortStatistics(int port);

// "PORT A COM3 -> /dev/ttyUSB0: 1,234,567 bytes, 0 parity, 3 framing, 0 overrun
// errors", with ", N breaks" added when the driver counted any; a count that
// is only a lower bound reads "at least 3 framing".
std::string formatPortStatistics(const PortStatistics& statistics);

// The statistics line of port as a diagnostic line, when it is open.
void printPortStatistics(int port);

// One statistics line per open port, port A first, as diagnostic lines.
void printOpenPortStatistics();

// Starts the figures of a port that has just been opened by name.
void startPortCounters(int port, const std::string& name);

// Called after every read of an open port with whether its device is there:
// counts and prints, with the poll number and the wall-clock time (ISO 8601,
// UTC), the moment it goes away and the moment it is back. The port stays connected through both.
void notePortPresence(int port, bool present);

// 1234567 -> "1,234,567".
std::string withThousandsSeparators(std::uint64_t value);
