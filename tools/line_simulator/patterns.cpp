#include "tools/line_simulator/patterns.h"

#include <algorithm>
#include <array>

#include "tools/line_simulator/counter_pattern.h"
#include "tools/line_simulator/protocol_pattern.h"
#include "tools/line_simulator/random_pattern.h"

namespace linesim {

std::optional<Pattern> parsePattern(std::string_view name) {
  if (name == "counter") return Pattern::counter;
  if (name == "random") return Pattern::random;
  if (name == "protocol") return Pattern::protocol;
  if (name == "modbus") return Pattern::modbus;
  return std::nullopt;
}

bool isPairedPattern(Pattern pattern) {
  return pattern == Pattern::protocol || pattern == Pattern::modbus;
}

std::string_view patternName(Pattern pattern) {
  switch (pattern) {
    case Pattern::counter:
      return "counter";
    case Pattern::random:
      return "random";
    case Pattern::protocol:
      return "protocol";
    case Pattern::modbus:
      return "modbus";
  }
  return "?";
}

std::unique_ptr<ByteStream> makeLineStream(Pattern pattern, std::uint64_t seed,
                                           std::size_t lineIndex) {
  switch (pattern) {
    case Pattern::counter:
      return std::make_unique<CounterStream>(lineIndex);
    case Pattern::random:
      return std::make_unique<RandomStream>(seed, lineIndex);
    case Pattern::protocol:
      return std::make_unique<ProtocolSideStream>(seed, lineIndex);
    case Pattern::modbus:
      return std::make_unique<ProtocolSideStream>(seed, lineIndex, ExchangeKinds::modbusRtu);
  }
  return nullptr;
}

std::vector<std::uint8_t> expectedStream(Pattern pattern, std::uint64_t seed, std::size_t lineIndex,
                                         std::size_t length) {
  std::vector<std::uint8_t> bytes(length);
  makeLineStream(pattern, seed, lineIndex)->fill(bytes);
  return bytes;
}

std::optional<std::size_t> firstMismatch(Pattern pattern, std::uint64_t seed, std::size_t lineIndex,
                                         std::span<const std::uint8_t> received) {
  // Regenerate in blocks so that a capture of many megabytes needs no second copy in memory.
  auto stream = makeLineStream(pattern, seed, lineIndex);
  std::array<std::uint8_t, 4096> block{};
  for (std::size_t offset = 0; offset < received.size(); offset += block.size()) {
    const std::size_t n = std::min(block.size(), received.size() - offset);
    stream->fill(std::span(block).first(n));
    const auto got = received.subspan(offset, n);
    const auto diff = std::mismatch(got.begin(), got.end(), block.begin());
    if (diff.first != got.end()) return offset + static_cast<std::size_t>(diff.first - got.begin());
  }
  return std::nullopt;
}

}  // namespace linesim
