#pragma once

#include <cstddef>
#include <cstdint>

#include "tools/line_simulator/byte_stream.h"

namespace linesim {

// A stream of 32-bit big-endian words. Word k of line L is (L << 24) + k, modulo 2^32, so the
// byte at stream offset p is byte p % 4 of word p / 4. Any eight consecutive bytes contain a
// whole word, which tells the reader where in the stream it is and which line sent it; a lost,
// repeated or misplaced byte shifts or breaks the words after it. The top byte names the line
// so data filed under the wrong port is caught too (a line sends 64 MiB before its words reach
// the next line's range).
class CounterStream : public ByteStream {
 public:
  explicit CounterStream(std::size_t lineIndex);
  void fill(std::span<std::uint8_t> out) override;

  static std::uint8_t byteAt(std::size_t lineIndex, std::uint64_t offset);

 private:
  std::size_t lineIndex_;
  std::uint64_t offset_ = 0;
};

}  // namespace linesim
