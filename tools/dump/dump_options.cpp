#include "tools/dump/dump_options.h"

#include <optional>

namespace capture_text {

namespace {

std::optional<int> parsePort(std::string_view name) {
  if (name == "A" || name == "a") return 1;
  if (name == "B" || name == "b") return 2;
  return std::nullopt;
}

}  // namespace

DumpParse parseDumpOptions(const std::vector<std::string_view>& args) {
  DumpOptions options;
  bool raw = false;
  bool formatGiven = false;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    if (optionsEnded || arg == "-" || !arg.starts_with("-")) {
      options.files.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") return DumpHelp{};
    if (arg == "--version") return DumpVersion{};
    if (arg == "--raw") {
      raw = true;
      continue;
    }
    // --name VALUE or --name=VALUE
    std::string_view name = arg;
    std::optional<std::string_view> value;
    if (const auto eq = arg.find('='); eq != std::string_view::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    if (name != "--format" && name != "--port") {
      return DumpUsageError{"unknown option " + std::string(arg)};
    }
    if (!value) {
      if (i + 1 >= args.size()) return DumpUsageError{std::string(name) + " needs a value"};
      value = args[++i];
    }
    if (name == "--format") {
      const auto format = parseRecordFormat(*value);
      if (!format) {
        return DumpUsageError{"--format takes text, csv or jsonl, not " + std::string(*value)};
      }
      options.format = *format;
      formatGiven = true;
    } else {
      const auto tag = parsePort(*value);
      if (!tag) return DumpUsageError{"--port takes A or B, not " + std::string(*value)};
      options.portTag = *tag;
    }
  }
  if (raw) {
    // Either is a choice of output; taking one of two silently would hide
    // a mistake in a script.
    if (formatGiven) {
      return DumpUsageError{"--raw writes the port's bytes unchanged and takes no --format"};
    }
    if (options.portTag == 0) {
      return DumpUsageError{"--raw writes one port's bytes: add --port A or --port B"};
    }
    options.format = RecordFormat::Raw;
  }
  return options;
}

std::string dumpUsageText() {
  return "Usage: korvane-dump [OPTION]... [FILE]...\n"
         "Print capture files as text, one line per record.\n"
         "With no FILE, or when FILE is -, read standard input.\n"
         "\n"
         "  --format text   the window's rows: label, port, characters, hex (default)\n"
         "  --format csv    offset,label,port,length,hex,text\n"
         "  --format jsonl  one JSON object a line with the same fields\n"
         "  --port A|B      keep the records of one port\n"
         "  --raw           write that port's bytes alone, unchanged (needs --port)\n"
         "  --help          show this text\n"
         "  --version       show the version\n"
         "\n"
         "Exit status: 0 every file printed whole; 1 a file could not be read or the\n"
         "output not written; 2 a usage error, or a file that is not a capture file\n"
         "(the records before the fault are printed, then its byte offset and why).\n";
}

}  // namespace capture_text
