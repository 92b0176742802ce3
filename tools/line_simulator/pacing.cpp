#include "tools/line_simulator/pacing.h"

#include <algorithm>

namespace linesim {
namespace {

constexpr std::uint64_t kNanosPerSecond = 1'000'000'000;

// A burst covers a few wake-ups that came late; eight milliseconds of data.
constexpr std::chrono::milliseconds kBurstWindow{8};

}  // namespace

std::uint64_t bytesDueAfter(std::chrono::nanoseconds elapsed, std::uint32_t baud) {
  if (elapsed.count() <= 0) return 0;
  const auto ns = static_cast<std::uint64_t>(elapsed.count());
  // Split into whole seconds and a remainder so that no product can overflow.
  const std::uint64_t bits =
      (ns / kNanosPerSecond) * baud + (ns % kNanosPerSecond) * baud / kNanosPerSecond;
  return bits / kBitsPerByte;
}

std::chrono::nanoseconds timeForBytes(std::uint64_t byteCount, std::uint32_t baud) {
  const std::uint64_t bits = byteCount * kBitsPerByte;
  const std::uint64_t seconds = bits / baud;
  const std::uint64_t rest = bits % baud;
  const std::uint64_t ns = seconds * kNanosPerSecond + (rest * kNanosPerSecond + baud - 1) / baud;
  return std::chrono::nanoseconds(static_cast<std::int64_t>(ns));
}

UartPacer::UartPacer(std::uint32_t baud)
    : baud_(baud), burstLimit_(static_cast<std::size_t>(bytesDueAfter(kBurstWindow, baud)) + 1) {}

void UartPacer::restart(Clock::time_point now) {
  start_ = now;
  baseBytes_ = sent_;
}

std::size_t UartPacer::allowance(Clock::time_point now) const {
  const std::uint64_t due = baseBytes_ + bytesDueAfter(now - start_, baud_);
  if (due <= sent_) return 0;
  return static_cast<std::size_t>(std::min<std::uint64_t>(due - sent_, burstLimit_));
}

void UartPacer::forgetBacklog(Clock::time_point now) { restart(now); }

}  // namespace linesim
