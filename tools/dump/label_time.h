// A record's time from its label: the label counts polls, so with the
// polling period and the time of poll 1 the record's poll has a time,
// start + (poll - 1) x period. That is as precise as the polling: the bytes
// arrived at some moment within the period before that poll.
#pragma once

#include <cstdint>
#include <optional>

namespace capture_text {

// The poll number a label begins with ("000042: " -> 42, "12345678" ->
// 12345678); nullopt when it does not begin with a digit.
std::optional<std::int64_t> pollOfLabel(const std::uint8_t* label);

struct LabelClock {
  std::int64_t startMicros = 0;  // poll 1
  std::int64_t pollMicros = 0;   // the polling period

  std::int64_t timeOfPoll(std::int64_t poll) const { return startMicros + (poll - 1) * pollMicros; }
};

}  // namespace capture_text
