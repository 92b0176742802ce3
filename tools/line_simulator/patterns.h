#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "tools/line_simulator/byte_stream.h"

namespace linesim {

// What a line carries. Every pattern is a pure function of (seed, line index), so what was
// sent can be regenerated from the simulator's report and compared byte for byte with a
// capture.
enum class Pattern { counter, random, protocol, modbus };

// Whether the pattern runs its lines in pairs of requests and replies.
bool isPairedPattern(Pattern pattern);

std::optional<Pattern> parsePattern(std::string_view name);
std::string_view patternName(Pattern pattern);

// The stream of line `lineIndex` (0 for the first line). For `protocol` and `modbus`, even lines
// carry the requests of pair lineIndex / 2 and odd lines the replies.
std::unique_ptr<ByteStream> makeLineStream(Pattern pattern, std::uint64_t seed,
                                           std::size_t lineIndex);

// The first `length` bytes that line `lineIndex` sends.
std::vector<std::uint8_t> expectedStream(Pattern pattern, std::uint64_t seed, std::size_t lineIndex,
                                         std::size_t length);

// Offset of the first byte of `received` that differs from what the line sent, or nothing
// when `received` is exactly the start of the line's stream.
std::optional<std::size_t> firstMismatch(Pattern pattern, std::uint64_t seed, std::size_t lineIndex,
                                         std::span<const std::uint8_t> received);

}  // namespace linesim
