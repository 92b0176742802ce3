// The command line of korvane-dump.
#pragma once

#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "tools/dump/record_formats.h"

namespace capture_text {

struct DumpOptions {
  RecordFormat format = RecordFormat::Text;
  int portTag = 0;                 // 0 every port, 1 port A only, 2 port B only
  std::vector<std::string> files;  // "-" is standard input; none means standard input
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
