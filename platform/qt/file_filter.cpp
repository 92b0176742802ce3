#include "platform/qt/file_filter.h"

#include <vector>

namespace platform::qt {
namespace {

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::vector<std::string> split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string::size_type start = 0;
  for (;;) {
    const auto end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return parts;
}

std::string patternList(const std::string& patterns) {
  std::string list;
  for (const auto& part : split(patterns, ';')) {
    std::string pattern = trimmed(part);
    if (pattern.empty()) continue;
    if (pattern == "*.*") pattern = "*";
    if (!list.empty()) list += ' ';
    list += pattern;
  }
  return list;
}

}  // namespace

std::string qtFileFilter(const std::string& frameworkFilter) {
  // The filter ends at the first empty field ("||"); pairs before it count.
  const auto fields = split(frameworkFilter, '|');
  std::string result;
  for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
    if (fields[i].empty()) break;
    const std::string patterns = patternList(fields[i + 1]);
    if (patterns.empty()) continue;
    if (!result.empty()) result += ";;";
    result += trimmed(fields[i]) + " (" + patterns + ")";
  }
  return result;
}

std::string qtPatternFilter(const std::string& name) {
  if (name.find_first_of("*?") == std::string::npos) return {};
  return patternList(name);
}

}  // namespace platform::qt
