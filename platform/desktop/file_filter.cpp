#include "platform/desktop/file_filter.h"

namespace platform::desktop {
namespace {

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

}  // namespace

std::string trimBlanks(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

std::vector<std::string> patternsOf(const std::string& list) {
  std::vector<std::string> patterns;
  for (const auto& part : split(list, ';')) {
    if (std::string pattern = trimBlanks(part); !pattern.empty()) patterns.push_back(pattern);
  }
  return patterns;
}

std::vector<FilterEntry> writtenFilterEntries(const std::string& frameworkFilter) {
  const auto fields = split(frameworkFilter, '|');
  std::vector<FilterEntry> entries;
  for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
    if (fields[i].empty() || fields[i + 1].empty()) break;
    entries.push_back({fields[i], fields[i + 1]});
  }
  return entries;
}

std::vector<std::string> wildcardPatterns(const std::string& name) {
  if (name.find_first_of("*?") == std::string::npos) return {};
  return patternsOf(name);
}

std::vector<FilterEntry> dialogFilterEntries(const std::string& frameworkFilter,
                                             const std::string& initialName) {
  std::vector<FilterEntry> entries;
  std::string patterns;
  for (const auto& pattern : wildcardPatterns(initialName)) {
    patterns += (patterns.empty() ? "" : ";") + pattern;
  }
  if (!patterns.empty()) entries.push_back({patterns, patterns});
  for (auto& written : writtenFilterEntries(frameworkFilter)) entries.push_back(std::move(written));
  return entries;
}

}  // namespace platform::desktop
