#include "setup/memory_size_rule.h"

std::optional<int> typedMemorySizeMB(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::nullopt;
  const auto last = text.find_last_not_of(" \t");
  int value = 0;
  for (auto i = first; i <= last; ++i) {
    const char c = text[i];
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    // Stops early so that a long run of digits cannot overflow.
    if (value > kLargestMemSizeMB) return std::nullopt;
  }
  if (value < kSmallestMemSizeMB) return std::nullopt;
  return value;
}
