#include "tools/pcap/join_gap.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "tools/pcap/frame_joiner.h"

namespace pcap_export {

namespace {

constexpr double kMostMillis = 60'000;

}  // namespace

std::int64_t JoinGap::micros(std::uint32_t baud) const {
  return inCharacters ? characterGapMicros(amount, baud) : std::llround(amount * 1000);
}

std::optional<JoinGap> parseJoinGap(std::string_view text) {
  JoinGap gap;
  std::string_view number = text;
  if (text.ends_with("ms")) {
    number.remove_suffix(2);
  } else if (text.ends_with("chars")) {
    number.remove_suffix(5);
    gap.inCharacters = true;
  } else if (text.ends_with("c")) {
    number.remove_suffix(1);
    gap.inCharacters = true;
  } else {
    return std::nullopt;
  }
  const std::string digits(number);
  char* end = nullptr;
  gap.amount = std::strtod(digits.c_str(), &end);
  if (digits.empty() || end != digits.c_str() + digits.size() || !std::isfinite(gap.amount) ||
      gap.amount <= 0 || gap.amount > kMostMillis) {
    return std::nullopt;
  }
  return gap;
}

}  // namespace pcap_export
