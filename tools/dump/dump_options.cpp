#include "tools/dump/dump_options.h"

#include <charconv>
#include <optional>

#include "capture/utc_time_text.h"

namespace capture_text {

namespace {

std::optional<int> parsePort(std::string_view name) {
  if (name == "A" || name == "a") return 1;
  if (name == "B" || name == "b") return 2;
  return std::nullopt;
}

std::optional<std::int64_t> parseCount(const std::string& text) {
  std::int64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc{} || end != text.data() + text.size()) return {};
  return value;
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
    if (arg == "--time") {
      options.timeColumn = true;
      continue;
    }
    if (arg == "--keep-partial") {
      options.keepPartial = true;
      continue;
    }
    // --name VALUE or --name=VALUE
    std::string_view name = arg;
    std::optional<std::string_view> value;
    if (const auto eq = arg.find('='); eq != std::string_view::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    if (arg == "-o") name = "--output";
    static constexpr std::string_view kValued[] = {
        "--format", "--port", "--poll-ms", "--start", "--output", "--join-gap", "--join-baud"};
    bool known = false;
    for (std::string_view valued : kValued) known = known || name == valued;
    if (!known) return DumpUsageError{"unknown option " + std::string(arg)};
    if (!value) {
      if (i + 1 >= args.size()) return DumpUsageError{std::string(name) + " needs a value"};
      value = args[++i];
    }
    const std::string text(*value);
    if (name == "--format") {
      const auto format = parseRecordFormat(*value);
      if (!format) {
        return DumpUsageError{"--format takes text, csv, jsonl or pcap, not " + text};
      }
      options.format = *format;
      formatGiven = true;
    } else if (name == "--poll-ms") {
      const auto ms = parseCount(text);
      if (!ms || *ms < 1 || *ms > 999) {
        return DumpUsageError{"--poll-ms takes 1 to 999 milliseconds, not " + text};
      }
      options.pollMs = *ms;
    } else if (name == "--start") {
      const auto start = parseUtcTime(text);
      if (!start) {
        return DumpUsageError{"--start takes a UTC time such as 2026-12-08T17:45:01.250Z, not " +
                              text};
      }
      options.startMicros = *start;
    } else if (name == "--output") {
      if (text.empty())
        return DumpUsageError{"--output takes a file name, or - for standard output"};
      options.output = text;
    } else if (name == "--join-gap") {
      options.joinGap = pcap_export::parseJoinGap(text);
      if (!options.joinGap) {
        return DumpUsageError{std::string("--join-gap takes ") + pcap_export::kJoinGapForms +
                              ", not " + text};
      }
    } else if (name == "--join-baud") {
      const auto baud = parseCount(text);
      if (!baud || *baud < 50 || *baud > 4'000'000) {
        return DumpUsageError{"--join-baud takes a baud rate from 50 to 4000000, not " + text};
      }
      options.joinBaud = static_cast<std::uint32_t>(*baud);
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
    if (options.timeColumn) return DumpUsageError{"--raw writes bytes alone: it takes no --time"};
    options.format = RecordFormat::Raw;
  }
  const bool pcap = options.format == RecordFormat::Pcap;
  if ((pcap || options.timeColumn) && !options.pollMs) {
    return DumpUsageError{
        "times come from the labels: add --poll-ms N (and --start TIME), as the recorder's "
        "summary gives them"};
  }
  if (pcap && options.output.empty()) {
    return DumpUsageError{"--format pcap writes a file: add --output FILE (or --output - )"};
  }
  if (!pcap &&
      (!options.output.empty() || options.joinGap || options.joinBaud || options.keepPartial)) {
    return DumpUsageError{
        "--output, --join-gap, --join-baud and --keep-partial go with --format pcap"};
  }
  if (pcap && options.timeColumn) {
    return DumpUsageError{"--time is a column of text, csv and jsonl; pcap has its times"};
  }
  if (options.joinGap && options.joinGap->inCharacters && !options.joinBaud) {
    return DumpUsageError{"a --join-gap in characters needs the line's --join-baud N"};
  }
  if (options.joinBaud && !options.joinGap) {
    return DumpUsageError{"--join-baud counts the characters of --join-gap: add --join-gap"};
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
         "  --format pcap   a pcap file for Wireshark and tshark (link type 250, serial\n"
         "                  line): one packet per port per poll, port A as\n"
         "                  DATA_TX_START, port B as DATA_RX_START; needs --output\n"
         "                  and --poll-ms\n"
         "  --port A|B      keep the records of one port\n"
         "  --raw           write that port's bytes alone, unchanged (needs --port)\n"
         "  --time          add a time column (text, csv, jsonl); needs --poll-ms\n"
         "  --poll-ms N     the polling period the capture was taken at\n"
         "  --start TIME    when poll 1 was read, in UTC (2026-12-08T17:45:01.250Z);\n"
         "                  without it times count from 1970-01-01T00:00:00Z\n"
         "                  A record's time is start + (label - 1) x poll-ms: the\n"
         "                  poll it came with, as precise as the polling and no more\n"
         "                  (korvane-record's summary names start and poll-ms)\n"
         "  -o, --output FILE  the pcap file (it must not exist yet; - standard output)\n"
         "  --join-gap GAP  join a port's packets into frames while the silence\n"
         "                  between them is shorter than GAP: a time (4ms) or\n"
         "                  characters of 11 bits (3.5c, the Modbus RTU rule)\n"
         "  --join-baud N   the baud rate those characters are counted at\n"
         "  --keep-partial  keep the pcap file when a capture file proves malformed\n"
         "                  (it is removed otherwise)\n"
         "  --help          show this text\n"
         "  --version       show the version\n"
         "\n"
         "Exit status: 0 every file printed whole; 1 a file could not be read or the\n"
         "output not written; 2 a usage error, or a file that is not a capture file\n"
         "(the records before the fault are printed, then its byte offset and why;\n"
         "a pcap file is then removed unless --keep-partial).\n";
}

}  // namespace capture_text
