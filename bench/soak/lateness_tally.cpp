#include "bench/soak/lateness_tally.h"

#include <algorithm>

namespace soak {

void LatenessTally::add(double lateMs) {
  lateMs = std::max(lateMs, 0.0);  // an early expiry is on time
  ++samples_;
  maxLateMs_ = std::max(maxLateMs_, lateMs);
  totalLateMs_ += lateMs;
  if (lateMs > 50) ++lateOver50Ms_;
}

LatenessStats LatenessTally::stats() const {
  return {samples_, maxLateMs_, samples_ > 0 ? totalLateMs_ / static_cast<double>(samples_) : 0,
          lateOver50Ms_};
}

}  // namespace soak
