#include "tools/line_simulator/reader_gate.h"

namespace linesim {

bool ReaderGate::ready(ReaderState state, Clock::time_point now) {
  if (settledAt_) return now >= *settledAt_;
  if (state == ReaderState::absent) {
    openedAt_.reset();  // opened and closed again before it settled: wait afresh
    return false;
  }
  if (!openedAt_) openedAt_ = now;
  if (state == ReaderState::configured) {
    settledAt_ = now + kSettle;
  } else if (now - *openedAt_ >= kRawModeWait) {
    settledAt_ = now;
  }
  return settledAt_ && now >= *settledAt_;
}

}  // namespace linesim
