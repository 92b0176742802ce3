#include "bench/soak/event_loop_probe.h"

namespace soak {

EventLoopProbe::EventLoopProbe(std::chrono::milliseconds period) : period_(period) {
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(period_);
  QObject::connect(&timer_, &QTimer::timeout, [this] {
    const double gapMs = static_cast<double>(sinceLast_.nsecsElapsed()) / 1e6;
    sinceLast_.restart();
    tally_.add(gapMs - static_cast<double>(period_.count()));
  });
}

void EventLoopProbe::start() {
  sinceLast_.start();
  timer_.start();
}

}  // namespace soak
