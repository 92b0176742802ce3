// Measures how promptly the event loop serves a timer: each expiry's delay
// past its due time. A loop blocked by slow work shows as large delays.
#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <chrono>

#include "bench/soak/lateness_tally.h"

namespace soak {

class EventLoopProbe {
 public:
  explicit EventLoopProbe(std::chrono::milliseconds period);
  void start();
  void stop() { timer_.stop(); }
  LatenessStats stats() const { return tally_.stats(); }

 private:
  std::chrono::milliseconds period_;
  QTimer timer_;
  QElapsedTimer sinceLast_;
  LatenessTally tally_;
};

}  // namespace soak
