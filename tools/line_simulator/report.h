#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/line_simulator/patterns.h"

namespace linesim {

// What one line sent, printed at the end as a single line of key=value fields:
//   sent line=A name=COM3 path=/dev/pts/4 pattern=counter seed=1 baud=256000 bytes=25600
//        crc32=1c291ca3 stalls=0
// (one line on output). `bytes` and `crc32` cover exactly the bytes written into the line;
// `stalls` counts the times the line's queue was full because its reader did not keep up.
struct LineReport {
  std::string label;
  std::string name;
  std::string path;
  Pattern pattern = Pattern::counter;
  std::uint64_t seed = 0;
  std::uint32_t baud = 0;
  std::uint64_t bytes = 0;
  std::uint32_t crc32 = 0;
  std::uint64_t stalls = 0;
};

std::string formatSentLine(const LineReport& report);
std::optional<LineReport> parseSentLine(std::string_view line);
// Every "sent" line of a run's output, in order; other lines are passed over.
std::vector<LineReport> parseSentLines(std::string_view output);

// Printed once a line exists and is linked: "open line=A name=COM3 path=/dev/pts/4".
std::string formatOpenLine(std::string_view label, std::string_view name, std::string_view path);

}  // namespace linesim
