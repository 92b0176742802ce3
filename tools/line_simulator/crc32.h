#pragma once

#include <cstdint>
#include <span>

namespace linesim {

// CRC-32 as used by Ethernet and zip (reflected polynomial 0xEDB88320, initial value and final
// xor 0xFFFFFFFF), fed in pieces so a line's checksum follows its traffic as it is sent.
class Crc32 {
 public:
  void update(std::span<const std::uint8_t> bytes);
  std::uint32_t value() const { return ~state_; }

 private:
  std::uint32_t state_ = 0xFFFFFFFFu;
};

std::uint32_t crc32Of(std::span<const std::uint8_t> bytes);

}  // namespace linesim
