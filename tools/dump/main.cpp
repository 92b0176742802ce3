// korvane-dump: capture files as text for people and scripts.
#include <unistd.h>

#include <cstdio>
#include <string_view>
#include <vector>

#include "tools/dump/dump_options.h"
#include "tools/dump/dump_run.h"

#ifndef KORVANE_VERSION
#error "KORVANE_VERSION comes from the project"
#endif

int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  const capture_text::DumpParse parsed = capture_text::parseDumpOptions(args);
  if (std::holds_alternative<capture_text::DumpHelp>(parsed)) {
    std::fputs(capture_text::dumpUsageText().c_str(), stdout);
    return 0;
  }
  if (std::holds_alternative<capture_text::DumpVersion>(parsed)) {
    std::printf("korvane-dump %s\n", KORVANE_VERSION);
    return 0;
  }
  if (const auto* error = std::get_if<capture_text::DumpUsageError>(&parsed)) {
    std::fprintf(stderr, "korvane-dump: %s\nTry 'korvane-dump --help'.\n", error->message.c_str());
    return capture_text::kDumpUsage;
  }
  return capture_text::runDump(std::get<capture_text::DumpOptions>(parsed), STDOUT_FILENO, stderr);
}
