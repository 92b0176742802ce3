#pragma once

#include <cstdint>

namespace linesim {

// xorshift64*: small, fast and fully determined by its seed, so a run can be regenerated.
class Xorshift64Star {
 public:
  explicit Xorshift64Star(std::uint64_t seed) : state_(scramble(seed)) {}

  std::uint64_t next() {
    state_ ^= state_ >> 12;
    state_ ^= state_ << 25;
    state_ ^= state_ >> 27;
    return state_ * 0x2545F4914F6CDD1Dull;
  }

  // A value in 0 .. bound-1 (bound > 0); the slight bias does not matter for test traffic.
  std::uint32_t below(std::uint32_t bound) { return static_cast<std::uint32_t>(next() % bound); }

 private:
  // splitmix64 spreads neighbouring seeds apart and never yields the forbidden zero state
  // for the seeds a user types.
  static std::uint64_t scramble(std::uint64_t seed) {
    std::uint64_t z = seed + 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    return z != 0 ? z : 0x9E3779B97F4A7C15ull;
  }

  std::uint64_t state_;
};

}  // namespace linesim
