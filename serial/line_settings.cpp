#include "serial/line_settings.h"

#include <charconv>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<std::uint32_t> typedBaudRate(std::string_view text) {
  if (!typedBaudRateFault(text).empty()) return std::nullopt;
  std::uint32_t rate = 0;
  std::from_chars(text.data(), text.data() + text.size(), rate);
  return rate;
}

std::string typedBaudRateFault(std::string_view text) {
  if (text.empty()) return "is empty";
  for (const char c : text) {
    if (!isDigit(c)) return "holds \"" + std::string(1, c) + "\", which is not a digit";
  }
  std::uint64_t rate = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), rate);
  if (error != std::errc{} || end != text.data() + text.size() || rate > kHighestTypedBaudRate) {
    return "is above " + std::to_string(kHighestTypedBaudRate);
  }
  if (rate < kLowestTypedBaudRate) return "is below " + std::to_string(kLowestTypedBaudRate);
  return {};
}
