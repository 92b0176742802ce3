// The command line of korvane-dump.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "tools/dump/record_formats.h"
#include "tools/pcap/join_gap.h"

namespace capture_text {

struct DumpOptions {
  RecordFormat format = RecordFormat::Text;
  int portTag = 0;                 // 0 every port, 1 port A only, 2 port B only
  std::vector<std::string> files;  // "-" is standard input; none means standard input
  // Times from labels: poll n read at start + (n - 1) x pollMs.
  bool timeColumn = false;             // --time
  std::optional<std::int64_t> pollMs;  // --poll-ms
  std::int64_t startMicros = 0;        // --start, else 1970-01-01T00:00:00Z
  std::string output;                  // --output: the pcap file, "-" standard output
  bool keepPartial = false;            // --keep-partial: a pcap cut by a fault stays
  std::optional<pcap_export::JoinGap> joinGap;
  std::optional<std::uint32_t> joinBaud;
};

struct DumpHelp {};
struct DumpVersion {};
struct DumpUsageError {
  std::string message;
};

using DumpParse = std::variant<DumpOptions, DumpHelp, DumpVersion, DumpUsageError>;

DumpParse parseDumpOptions(const std::vector<std::string_view>& args);

std::string dumpUsageText();

}  // namespace capture_text
