#include "tools/line_simulator/crc32.h"

#include <array>

namespace linesim {
namespace {

constexpr std::array<std::uint32_t, 256> makeTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int bit = 0; bit < 8; ++bit) c = (c & 1u) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr auto kTable = makeTable();

}  // namespace

void Crc32::update(std::span<const std::uint8_t> bytes) {
  for (std::uint8_t b : bytes) state_ = kTable[(state_ ^ b) & 0xFFu] ^ (state_ >> 8);
}

std::uint32_t crc32Of(std::span<const std::uint8_t> bytes) {
  Crc32 crc;
  crc.update(bytes);
  return crc.value();
}

}  // namespace linesim
