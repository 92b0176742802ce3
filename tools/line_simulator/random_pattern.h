#pragma once

#include <cstddef>
#include <cstdint>

#include "tools/line_simulator/byte_stream.h"
#include "tools/line_simulator/prng.h"

namespace linesim {

// Bytes of xorshift64* output, eight per number, least significant first. Each line draws from
// its own generator (seed and line index mixed), so two lines never carry the same bytes.
class RandomStream : public ByteStream {
 public:
  RandomStream(std::uint64_t seed, std::size_t lineIndex);
  void fill(std::span<std::uint8_t> out) override;

 private:
  Xorshift64Star prng_;
  std::uint64_t word_ = 0;
  unsigned bytesLeft_ = 0;
};

}  // namespace linesim
