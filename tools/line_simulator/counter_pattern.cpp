#include "tools/line_simulator/counter_pattern.h"

namespace linesim {

CounterStream::CounterStream(std::size_t lineIndex) : lineIndex_(lineIndex) {}

std::uint8_t CounterStream::byteAt(std::size_t lineIndex, std::uint64_t offset) {
  const auto word =
      static_cast<std::uint32_t>((static_cast<std::uint64_t>(lineIndex) << 24) + offset / 4);
  const auto shift = static_cast<unsigned>(8 * (3 - offset % 4));
  return static_cast<std::uint8_t>(word >> shift);
}

void CounterStream::fill(std::span<std::uint8_t> out) {
  for (std::uint8_t& b : out) b = byteAt(lineIndex_, offset_++);
}

}  // namespace linesim
