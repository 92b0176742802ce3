#include "platform/qt/file_filter.h"

#include "platform/desktop/file_filter.h"

namespace platform::qt {
namespace {

std::string patternList(const std::vector<std::string>& patterns) {
  std::string list;
  for (std::string pattern : patterns) {
    if (pattern == "*.*") pattern = "*";
    if (!list.empty()) list += ' ';
    list += pattern;
  }
  return list;
}

}  // namespace

std::string qtFileFilter(const std::string& frameworkFilter) {
  std::string result;
  for (const auto& entry : desktop::writtenFilterEntries(frameworkFilter)) {
    const std::string patterns = patternList(desktop::patternsOf(entry.patterns));
    if (patterns.empty()) continue;
    if (!result.empty()) result += ";;";
    result += desktop::trimBlanks(entry.description) + " (" + patterns + ")";
  }
  return result;
}

std::string qtPatternFilter(const std::string& name) {
  return patternList(desktop::wildcardPatterns(name));
}

}  // namespace platform::qt
