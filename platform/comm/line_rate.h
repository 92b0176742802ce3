// The rate check both serial backends make after setting a line's rate.
#pragma once

#include <cstdint>

namespace platform {

// A driver may round a rate to what its clock divides to, and a UART still
// reads a sender whose rate is within about 2 % of its own; further off, the
// bytes would arrive as garbage, so such a rate counts as not taken.
inline constexpr std::uint32_t kRateTolerancePercent = 2;

// Whether the rate a driver reports having taken is within the tolerance of
// the rate asked for.
constexpr bool rateTaken(std::uint32_t asked, std::uint32_t taken) {
  const std::uint64_t difference = asked > taken ? asked - taken : taken - asked;
  return difference * 100 <= static_cast<std::uint64_t>(asked) * kRateTolerancePercent;
}

}  // namespace platform
