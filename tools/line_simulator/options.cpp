#include "tools/line_simulator/options.h"

#include <charconv>
#include <cmath>
#include <map>

namespace linesim {
namespace {

template <typename T>
std::optional<T> parseUnsigned(std::string_view text) {
  T value{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

std::optional<std::chrono::nanoseconds> parseSeconds(std::string_view text) {
  // from_chars for double is not everywhere yet; a decimal with an optional fraction suffices.
  const auto dot = text.find('.');
  const auto whole = parseUnsigned<std::uint64_t>(text.substr(0, dot));
  if (!whole || *whole > 10'000'000) return std::nullopt;
  std::int64_t nanos = static_cast<std::int64_t>(*whole) * 1'000'000'000;
  if (dot != std::string_view::npos) {
    const std::string_view fraction = text.substr(dot + 1);
    if (fraction.empty() || fraction.size() > 9 || !parseUnsigned<std::uint64_t>(fraction)) {
      return std::nullopt;
    }
    std::int64_t scale = 100'000'000;
    for (char c : fraction) {
      nanos += (c - '0') * scale;
      scale /= 10;
    }
  }
  return std::chrono::nanoseconds(nanos);
}

// A port name becomes a file name in the ports folder and a field of the report.
bool validPortName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char c : name) {
    if (c == '/' || c == '=' || c == ',' || static_cast<unsigned char>(c) <= ' ') return false;
  }
  return true;
}

std::string labelFor(std::size_t index) {
  return index < 26 ? std::string(1, static_cast<char>('A' + index)) : "L" + std::to_string(index);
}

}  // namespace

std::filesystem::path defaultPortsDir(const Environment& env) {
  std::filesystem::path config;
  if (env.xdgConfigHome != nullptr && env.xdgConfigHome[0] == '/') {
    config = env.xdgConfigHome;
  } else {
    config = std::filesystem::path(env.home != nullptr ? env.home : "") / ".config";
  }
  return config / "korvane" / "ports";
}

ParseResult parseOptions(const std::vector<std::string_view>& args, const Environment& env) {
  SimOptions options;
  options.portsDir = defaultPortsDir(env);
  std::vector<std::pair<std::string, std::string>> names;  // label (may be empty), name
  std::optional<std::uint32_t> allBaud;
  std::map<std::string, std::uint32_t> lineBaud;  // by label or name

  auto fail = [](std::string message) { return ParseResult(UsageError{std::move(message)}); };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    auto value = [&]() -> std::optional<std::string_view> {
      if (i + 1 >= args.size()) return std::nullopt;
      return args[++i];
    };
    if (arg == "--help" || arg == "-h") return HelpRequested{};
    if (arg == "--version") return VersionRequested{};
    if (arg == "--wait-for-open") {
      options.waitForOpen = true;
    } else if (arg == "--quiet") {
      options.quiet = true;
    } else if (arg == "--replace") {
      options.replaceLinks = true;
    } else {
      const auto v = value();
      if (!v) return fail(std::string(arg) + " needs a value");
      if (arg == "--ports-dir") {
        if (v->empty()) return fail("--ports-dir needs a folder");
        options.portsDir = std::string(*v);
      } else if (arg == "--name") {
        const auto eq = v->find('=');
        const std::string label(eq == std::string_view::npos ? "" : v->substr(0, eq));
        const std::string_view name = eq == std::string_view::npos ? *v : v->substr(eq + 1);
        if (!validPortName(name) || (eq != std::string_view::npos && !validPortName(label))) {
          return fail("bad line name: " + std::string(*v));
        }
        names.emplace_back(label, std::string(name));
      } else if (arg == "--lines") {
        std::string_view rest = *v;
        while (true) {
          const auto comma = rest.find(',');
          const std::string_view name = rest.substr(0, comma);
          if (!validPortName(name)) return fail("bad line name in --lines: " + std::string(*v));
          names.emplace_back("", std::string(name));
          if (comma == std::string_view::npos) break;
          rest = rest.substr(comma + 1);
        }
      } else if (arg == "--baud") {
        const auto eq = v->find('=');
        const auto rate =
            parseUnsigned<std::uint32_t>(eq == std::string_view::npos ? *v : v->substr(eq + 1));
        if (!rate || *rate == 0 || *rate > kMaxBaud) {
          return fail("baud rate must be 1 to " + std::to_string(kMaxBaud) + ": " +
                      std::string(*v));
        }
        if (eq == std::string_view::npos) {
          allBaud = *rate;
        } else {
          lineBaud[std::string(v->substr(0, eq))] = *rate;
        }
      } else if (arg == "--pattern") {
        const auto pattern = parsePattern(*v);
        if (!pattern) return fail("unknown pattern: " + std::string(*v));
        options.pattern = *pattern;
      } else if (arg == "--seed") {
        const auto seed = parseUnsigned<std::uint64_t>(*v);
        if (!seed) return fail("bad seed: " + std::string(*v));
        options.seed = *seed;
      } else if (arg == "--bytes") {
        const auto bytes = parseUnsigned<std::uint64_t>(*v);
        if (!bytes) return fail("bad byte count: " + std::string(*v));
        options.byteLimit = *bytes;
      } else if (arg == "--seconds") {
        const auto seconds = parseSeconds(*v);
        if (!seconds) return fail("bad duration: " + std::string(*v));
        options.timeLimit = *seconds;
      } else if (arg == "--pause-ms" || arg == "--drain-ms") {
        const auto ms = parseUnsigned<std::uint32_t>(*v);
        if (!ms || *ms > 3'600'000) return fail("bad milliseconds: " + std::string(*v));
        (arg == "--pause-ms" ? options.pause : options.drainTimeout) =
            std::chrono::milliseconds(*ms);
      } else {
        return fail("unknown option: " + std::string(arg));
      }
    }
  }

  if (names.empty()) names = {{"A", "COM3"}, {"B", "COM4"}};
  for (std::size_t i = 0; i < names.size(); ++i) {
    LineSetup line;
    line.label = names[i].first.empty() ? labelFor(i) : names[i].first;
    line.name = names[i].second;
    line.baud = allBaud.value_or(kDefaultBaud);
    for (const LineSetup& earlier : options.lines) {
      if (earlier.name == line.name || earlier.label == line.label) {
        return fail("line given twice: " + line.label + "=" + line.name);
      }
    }
    options.lines.push_back(line);
  }
  for (const auto& [key, rate] : lineBaud) {
    bool found = false;
    for (LineSetup& line : options.lines) {
      if (line.label == key || line.name == key) {
        line.baud = rate;
        found = true;
      }
    }
    if (!found) return fail("--baud names no line: " + key);
  }
  if (isPairedPattern(options.pattern) && options.lines.size() % 2 != 0) {
    return fail("the " + std::string(patternName(options.pattern)) +
                " pattern needs lines in pairs (requests, replies)");
  }
  return options;
}

std::string usageText() {
  return R"(usage: korvane-linesim [options]
Creates virtual serial lines (pseudo-terminals), links each into the monitor's ports folder
under a port name, and sends paced traffic into them. Prints one "sent" line per line at the end.

  --ports-dir DIR      folder of port links (default $XDG_CONFIG_HOME/korvane/ports,
                       with ~/.config when XDG_CONFIG_HOME is unset)
  --name [LABEL=]NAME  add a line (repeatable; default A=COM3 B=COM4)
  --lines N1,N2,...    add lines by name, labelled A, B, ...
  --baud RATE          rate of every line, 1 to 4000000 (default 115200; 10 bits a byte)
  --baud LINE=RATE     rate of one line, by label or name
  --pattern P          counter | random | protocol | modbus (default counter); modbus:
                       Modbus RTU register reads and replies with their CRC, in pairs
  --seed N             seed of random, protocol and modbus (default 1)
  --bytes N            stop each line after N bytes
  --seconds S          stop each line S seconds after its first byte (fractions allowed)
  --wait-for-open      start a line only once a reader has opened and configured it
  --pause-ms MS        pause between protocol and modbus exchanges (default 200)
  --drain-ms MS        at the end, wait up to MS for readers to take queued bytes (default 5000)
  --replace            take over a port name whose link points elsewhere
  --quiet              no progress messages on stderr
  --help, --version
)";
}

}  // namespace linesim
