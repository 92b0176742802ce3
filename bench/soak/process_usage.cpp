#include "bench/soak/process_usage.h"

#include <sys/resource.h>

#include <fstream>
#include <sstream>
#include <string>

namespace soak {

double cpuSecondsUsed() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

std::optional<std::uint64_t> statusFieldKiB(std::string_view statusText, std::string_view field) {
  std::size_t lineStart = 0;
  while (lineStart < statusText.size()) {
    std::size_t lineEnd = statusText.find('\n', lineStart);
    if (lineEnd == std::string_view::npos) lineEnd = statusText.size();
    const std::string_view line = statusText.substr(lineStart, lineEnd - lineStart);
    lineStart = lineEnd + 1;
    if (line.size() <= field.size() || line.substr(0, field.size()) != field ||
        line[field.size()] != ':') {
      continue;
    }
    std::size_t at = field.size() + 1;
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
    std::uint64_t value = 0;
    std::size_t digits = 0;
    for (; at < line.size() && line[at] >= '0' && line[at] <= '9'; ++at, ++digits) {
      value = value * 10 + static_cast<std::uint64_t>(line[at] - '0');
    }
    if (digits == 0 || line.substr(at) != " kB") return std::nullopt;
    return value;
  }
  return std::nullopt;
}

std::optional<std::uint64_t> peakResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::stringstream text;
  text << status.rdbuf();
  return statusFieldKiB(text.str(), "VmHWM");
}

}  // namespace soak
