#include "tools/record/record_options.h"

#include <charconv>
#include <cmath>
#include <cstdlib>

#include "serial/line_settings.h"

namespace recorder {

namespace {

template <std::size_t N>
std::string tableTexts(const std::array<LineSettingEntry, N>& table) {
  std::string texts;
  for (const LineSettingEntry& entry : table) {
    if (!texts.empty()) texts += ' ';
    texts += entry.text;
  }
  return texts;
}

template <std::size_t N>
bool inTable(const std::array<LineSettingEntry, N>& table, std::string_view text) {
  return lineSettingIndex(table, text) < static_cast<int>(N);
}

std::optional<std::uint64_t> parseUnsigned(std::string_view text) {
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc{} || end != text.data() + text.size() || text.empty()) return {};
  return value;
}

std::string upper(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

// A line setting of port A ("1") or port B ("2"), checked against its table.
std::optional<std::string> lineSetting(std::string_view kind, std::string_view value,
                                       std::map<std::string, std::string>& settings,
                                       const std::string& suffix) {
  if (kind == "baud") {
    // A rate of the list, or any other the port can take, as Setup allows.
    if (!inTable(BaudRateTable, value) && !typedBaudRate(value)) {
      return "baud rate \"" + std::string(value) + "\" " + typedBaudRateFault(value) +
             ": baud rates are " + tableTexts(BaudRateTable) + " or a whole number from " +
             std::to_string(kLowestTypedBaudRate) + " to " + std::to_string(kHighestTypedBaudRate);
    }
    settings["BaudRate" + suffix] = std::string(value);
  } else if (kind == "data-bits") {
    if (!inTable(DataBitsTable, value)) {
      return "data bits are " + tableTexts(DataBitsTable) + ", not " + std::string(value);
    }
    settings["DataBit" + suffix] = std::string(value);
  } else if (kind == "stop-bits") {
    if (!inTable(StopBitsTable, value)) {
      return "stop bits are " + tableTexts(StopBitsTable) + ", not " + std::string(value);
    }
    settings["StopBit" + suffix] = std::string(value);
  } else {
    const std::string parity = upper(value);
    if (!inTable(ParityTable, parity)) {
      return "parities are " + tableTexts(ParityTable) + ", not " + std::string(value);
    }
    settings["Parity" + suffix] = parity;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::uint64_t> parseByteCount(std::string_view text) {
  std::uint64_t multiple = 1;
  if (!text.empty()) {
    switch (text.back()) {
      case 'K':
      case 'k':
        multiple = 1ull << 10;
        break;
      case 'M':
        multiple = 1ull << 20;
        break;
      case 'G':
        multiple = 1ull << 30;
        break;
      default:
        break;
    }
    if (multiple != 1) text.remove_suffix(1);
  }
  const auto value = parseUnsigned(text);
  if (!value || *value > UINT64_MAX / multiple) return {};
  return *value * multiple;
}

std::uint64_t highestRecycleAt(int storeMB) {
  return static_cast<std::uint64_t>(storeMB) * (1u << 20) - kOneReadStoreBytes;
}

RecordParse parseRecordOptions(const std::vector<std::string_view>& args) {
  RecordOptions options;
  std::vector<std::string> files;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (optionsEnded || arg == "-" || !arg.starts_with("-")) {
      files.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") return RecordHelp{};
    if (arg == "--version") return RecordVersion{};
    if (arg == "--append") {
      options.append = true;
      continue;
    }
    std::string_view name = arg;
    std::optional<std::string_view> value;
    if (const auto eq = arg.find('='); eq != std::string_view::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
    }
    static constexpr std::string_view kValued[] = {
        "--port-a",      "--port-b",      "--baud",        "--baud-a",      "--baud-b",
        "--data-bits-a", "--data-bits-b", "--stop-bits-a", "--stop-bits-b", "--parity-a",
        "--parity-b",    "--poll-ms",     "--seconds",     "--max-bytes",   "--store-mb",
        "--recycle-at",  "--pcap",        "--join-gap",    "--join-baud"};
    bool known = false;
    for (std::string_view valued : kValued) known = known || name == valued;
    if (!known) return RecordUsageError{"unknown option " + std::string(arg)};
    if (!value) {
      if (i + 1 >= args.size()) return RecordUsageError{std::string(name) + " needs a value"};
      value = args[++i];
    }
    const std::string text(*value);

    if (name == "--port-a" || name == "--port-b") {
      const bool portB = name == "--port-b";
      if (portB && text == "off") {
        options.settings["Disable"] = "1";
        continue;
      }
      // The settings file keeps 8 bytes of a name; the device path rule
      // takes names of up to 11 characters. A remote line's address
      // (rfc2217://HOST:PORT, tcp://HOST:PORT) is read like a stored value,
      // whose read buffer holds 63 characters.
      const bool address = text.find("://") != std::string::npos;
      if (address && text.size() > 63) {
        return RecordUsageError{std::string(name) + " takes an address of at most 63 characters"};
      }
      if (!address && (text.empty() || text.size() > 11)) {
        return RecordUsageError{std::string(name) + " takes a port name of 1 to 11 characters"};
      }
      options.settings[portB ? "Port2" : "Port1"] = text;
      if (portB) options.settings["Disable"] = "0";
    } else if (name == "--baud") {
      for (const char* suffix : {"1", "2"}) {
        if (auto error = lineSetting("baud", text, options.settings, suffix)) {
          return RecordUsageError{*error};
        }
      }
    } else if (name.starts_with("--baud-") || name.starts_with("--data-bits-") ||
               name.starts_with("--stop-bits-") || name.starts_with("--parity-")) {
      const std::string_view kind = name.substr(2, name.size() - 4);
      const std::string suffix = name.back() == 'a' ? "1" : "2";
      if (auto error = lineSetting(kind, text, options.settings, suffix)) {
        return RecordUsageError{*error};
      }
    } else if (name == "--poll-ms") {
      const auto ms = parseUnsigned(text);
      // The monitor's window polls no faster than every 10 ms; the
      // recorder keeps to the same periods.
      if (!ms || *ms < 10 || *ms > 999) {
        return RecordUsageError{"--poll-ms takes 10 to 999 milliseconds, not " + text};
      }
      options.settings["POLLTIME"] = std::to_string(*ms);
    } else if (name == "--seconds") {
      char* end = nullptr;
      const double seconds = std::strtod(text.c_str(), &end);
      if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(seconds) ||
          !(seconds > 0) || seconds > kMostSeconds) {
        return RecordUsageError{
            "--seconds takes a positive number of seconds up to 3153600000 (100 years), not " +
            text};
      }
      options.seconds = seconds;
    } else if (name == "--max-bytes") {
      const auto bytes = parseByteCount(text);
      if (!bytes || *bytes == 0) {
        return RecordUsageError{"--max-bytes takes a size such as 500M or 2G, not " + text};
      }
      options.maxBytes = bytes;
    } else if (name == "--store-mb") {
      const auto mb = parseUnsigned(text);
      if (!mb || *mb < 1 || *mb > 32) return RecordUsageError{"--store-mb takes 1 to 32"};
      options.storeMB = static_cast<int>(*mb);
    } else if (name == "--pcap") {
      if (text.empty()) return RecordUsageError{"--pcap takes a file name"};
      options.pcapFile = text;
    } else if (name == "--join-gap") {
      options.joinGap = pcap_export::parseJoinGap(text);
      if (!options.joinGap) {
        return RecordUsageError{std::string("--join-gap takes ") + pcap_export::kJoinGapForms +
                                ", not " + text};
      }
    } else if (name == "--join-baud") {
      const auto baud = parseUnsigned(text);
      if (!baud || *baud < 50 || *baud > 4'000'000) {
        return RecordUsageError{"--join-baud takes a baud rate from 50 to 4000000, not " + text};
      }
      options.joinBaud = static_cast<std::uint32_t>(*baud);
    } else if (name == "--recycle-at") {
      const auto bytes = parseByteCount(text);
      if (!bytes || *bytes == 0) return RecordUsageError{"--recycle-at takes a size in bytes"};
      options.recycleAtBytes = bytes;
    }
  }
  if (files.size() > 1) return RecordUsageError{"one capture file only"};
  if (files.empty() && options.pcapFile.empty()) return RecordUsageError{"no capture file named"};
  if (options.pcapFile.empty() && (options.joinGap || options.joinBaud)) {
    return RecordUsageError{"--join-gap and --join-baud shape the pcap file: add --pcap FILE"};
  }
  if (options.joinBaud && !options.joinGap) {
    return RecordUsageError{"--join-baud counts the characters of --join-gap: add --join-gap"};
  }
  if (files.empty() && (options.maxBytes || options.append)) {
    return RecordUsageError{"--max-bytes and --append are about the capture file: name one"};
  }
  if (!files.empty() && files.front() == options.pcapFile) {
    return RecordUsageError{"the capture file and the pcap file must differ"};
  }
  if (options.recycleAtBytes && *options.recycleAtBytes > highestRecycleAt(options.storeMB)) {
    return RecordUsageError{"--recycle-at must leave room for one more read in the " +
                            std::to_string(options.storeMB) + " MiB store: at most " +
                            std::to_string(highestRecycleAt(options.storeMB)) + " bytes, not " +
                            std::to_string(*options.recycleAtBytes)};
  }
  if (!files.empty()) options.file = files.front();
  options.settings["MEMSIZE"] = std::to_string(options.storeMB);
  return options;
}

std::string recordUsageText() {
  return "Usage: korvane-record [OPTION]... FILE\n"
         "  or:  korvane-record --pcap PCAPFILE [OPTION]... [FILE]\n"
         "Capture the monitor's ports into the capture file FILE until stopped\n"
         "(Ctrl+C, SIGTERM, or closing the console on Windows), --seconds or\n"
         "--max-bytes. Settings, port names and the file format are the monitor's;\n"
         "the options below replace a setting for this run only. Records are written\n"
         "as they arrive and flushed every second.\n"
         "\n"
         "  --port-a NAME          port A's device (a port name as in Setup, or a\n"
         "                         remote line: rfc2217://HOST:PORT, tcp://HOST:PORT)\n"
         "  --port-b NAME|off      port B's device, or off to capture port A alone\n"
         "  --baud N               both ports' baud rate, 50 to 4000000\n"
         "  --baud-a N, --baud-b N\n"
         "  --data-bits-a N, --data-bits-b N        5 6 7 8\n"
         "  --stop-bits-a N, --stop-bits-b N        1 2\n"
         "  --parity-a P, --parity-b P              NONE EVEN ODD MARK SPACE\n"
         "  --poll-ms N            polling period in ms (10 to 999)\n"
         "  --seconds N            stop after N seconds\n"
         "  --max-bytes N          stop before the file grows past N bytes (K, M, G)\n"
         "  --append               add to an existing capture file (it must end on a\n"
         "                         whole record); without it FILE must not exist\n"
         "  --pcap PCAPFILE        also write a pcap file (link type 250, serial line)\n"
         "                         for Wireshark and tshark: one packet per port per\n"
         "                         poll that brought data, stamped with the poll's\n"
         "                         wall-clock time; port A as DATA_TX_START, port B\n"
         "                         as DATA_RX_START; line errors and lost devices as\n"
         "                         event packets. Without FILE only this file is written\n"
         "  --join-gap GAP         join a port's packets into frames while the silence\n"
         "                         between them is shorter than GAP: a time (4ms) or\n"
         "                         characters of 11 bits (3.5c, the Modbus RTU rule)\n"
         "  --join-baud N          count those characters at N baud, not at each\n"
         "                         port's own rate\n"
         "  --help, --version\n"
         "\n"
         "At the end a summary per port goes to standard output. Exit status: 0 the\n"
         "capture ended as asked; 1 a port, the file or a write failed (the file then\n"
         "ends on its last whole record); 2 a usage error.\n";
}

}  // namespace recorder
