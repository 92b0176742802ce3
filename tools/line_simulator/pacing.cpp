#include "tools/line_simulator/pacing.h"

namespace linesim {
namespace {

constexpr std::uint64_t kNanosPerSecond = 1'000'000'000;

// A burst covers the time between two wake-ups plus a late one; eight milliseconds of data.
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

std::size_t UartPacer::allowance(Clock::time_point now) {
  const std::uint64_t due = baseBytes_ + bytesDueAfter(now - start_, baud_);
  if (due <= sent_) return 0;
  if (due - sent_ > burstLimit_) {
    // Held off too long: allow one burst now and count time afresh from here.
    start_ = now;
    baseBytes_ = sent_ + burstLimit_;
    return burstLimit_;
  }
  return static_cast<std::size_t>(due - sent_);
}

}  // namespace linesim
