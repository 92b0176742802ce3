#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace linesim {

// A byte of 8N1 framing occupies ten bit times on the wire: start bit, eight data bits, stop bit.
inline constexpr std::uint32_t kBitsPerByte = 10;

// Whole bytes a UART at `baud` has finished sending `elapsed` after it started. Exact integer
// arithmetic, so the average rate over any run is the nominal one.
std::uint64_t bytesDueAfter(std::chrono::nanoseconds elapsed, std::uint32_t baud);

// The earliest moment at which `byteCount` bytes are due: the inverse of bytesDueAfter.
std::chrono::nanoseconds timeForBytes(std::uint64_t byteCount, std::uint32_t baud);

// Paces one line. When the simulator itself ran late it catches up, but never more than
// `burstLimit()` bytes at a time, so the average rate stays exact. When the line could not take
// its bytes (the reader fell behind) the backlog is forgotten: a UART that was held off does not
// send faster afterwards.
class UartPacer {
 public:
  using Clock = std::chrono::steady_clock;

  explicit UartPacer(std::uint32_t baud);

  void restart(Clock::time_point now);
  std::size_t allowance(Clock::time_point now) const;
  void forgetBacklog(Clock::time_point now);
  void consumed(std::size_t byteCount) { sent_ += byteCount; }

  std::uint64_t sent() const { return sent_; }
  std::size_t burstLimit() const { return burstLimit_; }

 private:
  std::uint32_t baud_;
  std::size_t burstLimit_;
  Clock::time_point start_{};
  std::uint64_t baseBytes_ = 0;  // bytes counted as due at start_
  std::uint64_t sent_ = 0;
};

}  // namespace linesim
