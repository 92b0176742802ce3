#pragma once

#include <cstdint>
#include <span>

namespace linesim {

// The endless byte sequence of one line, handed out in order in pieces of any size.
class ByteStream {
 public:
  virtual ~ByteStream() = default;
  virtual void fill(std::span<std::uint8_t> out) = 0;
};

}  // namespace linesim
