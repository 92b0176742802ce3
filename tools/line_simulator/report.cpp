#include "tools/line_simulator/report.h"

#include <charconv>
#include <cstdio>
#include <map>

namespace linesim {
namespace {

template <typename T>
bool parseNumber(std::string_view text, T& out, int base = 10) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out, base);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

}  // namespace

std::string formatSentLine(const LineReport& r) {
  char crc[9];
  std::snprintf(crc, sizeof crc, "%08x", static_cast<unsigned>(r.crc32));
  return "sent line=" + r.label + " name=" + r.name + " path=" + r.path +
         " pattern=" + std::string(patternName(r.pattern)) + " seed=" + std::to_string(r.seed) +
         " baud=" + std::to_string(r.baud) + " bytes=" + std::to_string(r.bytes) + " crc32=" + crc +
         " stalls=" + std::to_string(r.stalls);
}

std::optional<LineReport> parseSentLine(std::string_view line) {
  constexpr std::string_view kTag = "sent ";
  if (!line.starts_with(kTag)) return std::nullopt;
  line.remove_prefix(kTag.size());
  std::map<std::string_view, std::string_view> fields;
  while (!line.empty()) {
    const auto space = line.find(' ');
    const std::string_view field = line.substr(0, space);
    const auto eq = field.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    fields[field.substr(0, eq)] = field.substr(eq + 1);
    line = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
  }
  LineReport r;
  const auto pattern = parsePattern(fields["pattern"]);
  if (!pattern || !parseNumber(fields["seed"], r.seed) || !parseNumber(fields["baud"], r.baud) ||
      !parseNumber(fields["bytes"], r.bytes) || !parseNumber(fields["crc32"], r.crc32, 16) ||
      !parseNumber(fields["stalls"], r.stalls) || fields["line"].empty() ||
      fields["name"].empty()) {
    return std::nullopt;
  }
  r.pattern = *pattern;
  r.label = fields["line"];
  r.name = fields["name"];
  r.path = fields["path"];
  return r;
}

std::vector<LineReport> parseSentLines(std::string_view output) {
  std::vector<LineReport> reports;
  while (!output.empty()) {
    const auto end = output.find('\n');
    if (auto report = parseSentLine(output.substr(0, end))) reports.push_back(*report);
    output = end == std::string_view::npos ? std::string_view() : output.substr(end + 1);
  }
  return reports;
}

std::string formatOpenLine(std::string_view label, std::string_view name, std::string_view path) {
  return "open line=" + std::string(label) + " name=" + std::string(name) +
         " path=" + std::string(path);
}

}  // namespace linesim
