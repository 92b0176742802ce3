// The delays of a timer's expiries past their due time, summed up.
#pragma once

#include <cstddef>

namespace soak {

struct LatenessStats {
  std::size_t samples = 0;
  double maxLateMs = 0;
  double meanLateMs = 0;
  std::size_t lateOver50Ms = 0;
};

// Adds up the delays of one timer's expiries.
class LatenessTally {
 public:
  void add(double lateMs);
  LatenessStats stats() const;

 private:
  std::size_t samples_ = 0;
  double maxLateMs_ = 0;
  double totalLateMs_ = 0;
  std::size_t lateOver50Ms_ = 0;
};

}  // namespace soak
