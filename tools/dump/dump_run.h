// korvane-dump's work: every file through the record reader into one output.
#pragma once

#include <cstdio>

#include "tools/dump/dump_options.h"

namespace capture_text {

inline constexpr int kDumpOk = 0;
inline constexpr int kDumpIoFailed = 1;
inline constexpr int kDumpNotACapture = 2;
inline constexpr int kDumpUsage = 2;

// Writes to the file descriptor outFd; messages go to errors. Returns the
// exit status.
int runDump(const DumpOptions& options, int outFd, std::FILE* errors);

}  // namespace capture_text
