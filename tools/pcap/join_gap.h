// The --join-gap option of the tools: the silence that ends a frame, as
// milliseconds ("4ms", "0.5ms") or as characters at the line's baud rate
// ("3.5c", "3.5chars": the Modbus RTU rule).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pcap_export {

struct JoinGap {
  double amount = 0;
  bool inCharacters = false;

  // The gap in microseconds at baud (used only for characters).
  std::int64_t micros(std::uint32_t baud) const;
};

std::optional<JoinGap> parseJoinGap(std::string_view text);

// What --join-gap takes, for usage errors.
inline constexpr const char* kJoinGapForms =
    "a time in ms (such as 4ms) or a count of characters (such as 3.5c)";

}  // namespace pcap_export
