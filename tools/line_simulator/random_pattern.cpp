#include "tools/line_simulator/random_pattern.h"

namespace linesim {

RandomStream::RandomStream(std::uint64_t seed, std::size_t lineIndex)
    : prng_(seed ^ (0xD1B54A32D192ED03ull * (static_cast<std::uint64_t>(lineIndex) + 1))) {}

void RandomStream::fill(std::span<std::uint8_t> out) {
  for (std::uint8_t& b : out) {
    if (bytesLeft_ == 0) {
      word_ = prng_.next();
      bytesLeft_ = 8;
    }
    b = static_cast<std::uint8_t>(word_);
    word_ >>= 8;
    --bytesLeft_;
  }
}

}  // namespace linesim
