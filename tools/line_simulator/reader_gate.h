#pragma once

#include <chrono>
#include <optional>

#include "tools/line_simulator/virtual_line.h"

namespace linesim {

// Decides when a line waiting for its reader may start. A monitor opens the port, switches it
// to raw mode and then flushes its queues; bytes sent before that flush are lost and bytes
// sent in cooked mode are altered. So a line starts once its reader is in raw mode plus a
// short settling time that covers the flush, or, for a reader that never leaves cooked mode,
// a while after the open.
class ReaderGate {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kSettle{50};
  static constexpr std::chrono::milliseconds kRawModeWait{1000};

  bool ready(ReaderState state, Clock::time_point now);

 private:
  std::optional<Clock::time_point> openedAt_;
  std::optional<Clock::time_point> settledAt_;
};

}  // namespace linesim
