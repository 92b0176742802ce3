#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "tools/line_simulator/patterns.h"

namespace linesim {

inline constexpr std::uint32_t kDefaultBaud = 115200;  // the monitor's default line rate
inline constexpr std::uint32_t kMaxBaud = 4'000'000;   // the fastest rate the monitor takes

struct LineSetup {
  std::string label;  // "A", "B", ... in the report
  std::string name;   // entry in the ports folder, e.g. "COM3"
  std::uint32_t baud = kDefaultBaud;
};

struct SimOptions {
  std::filesystem::path portsDir;
  std::vector<LineSetup> lines;
  Pattern pattern = Pattern::counter;
  std::uint64_t seed = 1;
  std::optional<std::uint64_t> byteLimit;             // per line
  std::optional<std::chrono::nanoseconds> timeLimit;  // per line, from its first byte
  bool waitForOpen = false;
  bool quiet = false;
  bool replaceLinks = false;
  std::chrono::milliseconds pause{200};          // between protocol exchanges
  std::chrono::milliseconds drainTimeout{5000};  // waiting for the reader at the end
};

struct HelpRequested {};
struct VersionRequested {};
struct UsageError {
  std::string message;
};

using ParseResult = std::variant<SimOptions, HelpRequested, VersionRequested, UsageError>;

// The values of $XDG_CONFIG_HOME and $HOME (null when unset), passed in so tests need not
// touch the process environment.
struct Environment {
  const char* xdgConfigHome = nullptr;
  const char* home = nullptr;
};

std::filesystem::path defaultPortsDir(const Environment& env);

ParseResult parseOptions(const std::vector<std::string_view>& args, const Environment& env);

std::string usageText();

}  // namespace linesim
