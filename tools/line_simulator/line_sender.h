#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "tools/line_simulator/byte_stream.h"
#include "tools/line_simulator/crc32.h"
#include "tools/line_simulator/pacing.h"
#include "tools/line_simulator/virtual_line.h"

namespace linesim {

// Sends one line's bytes at its UART rate: what is queued goes first, then, when a stream is
// given, as many fresh bytes as the pacer allows. Counts and checksums exactly what the line
// took, and counts each time the line's queue ran full.
class LineSender {
 public:
  using Clock = std::chrono::steady_clock;
  enum class Result { sent, stalled, failed };

  LineSender(VirtualLine& line, std::uint32_t baud, std::optional<std::uint64_t> byteLimit);

  // Starts counting UART time from `now`, as at the start of a frame after a pause.
  void restartClock(Clock::time_point now) { pacer_.restart(now); }

  // Queues bytes to be sent next, cut to what the byte limit leaves.
  void queue(std::span<const std::uint8_t> bytes);

  Result pump(Clock::time_point now, ByteStream* stream);

  bool idle() const { return pendingOffset_ == pending_.size(); }
  bool limitReached() const { return byteLimit_ && budgetLeft() == 0 && idle(); }

  std::uint64_t bytesSent() const { return pacer_.sent(); }
  std::uint32_t crc32() const { return crc_.value(); }
  std::uint64_t stalls() const { return stalls_; }

 private:
  std::uint64_t budgetLeft() const;
  std::size_t pendingSize() const { return pending_.size() - pendingOffset_; }

  VirtualLine& line_;
  UartPacer pacer_;
  std::optional<std::uint64_t> byteLimit_;
  std::vector<std::uint8_t> pending_;
  std::size_t pendingOffset_ = 0;
  Crc32 crc_;
  std::uint64_t stalls_ = 0;
  bool stalled_ = false;
};

}  // namespace linesim
