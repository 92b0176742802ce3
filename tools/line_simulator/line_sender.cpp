#include "tools/line_simulator/line_sender.h"

#include <algorithm>

namespace linesim {

LineSender::LineSender(VirtualLine& line, std::uint32_t baud,
                       std::optional<std::uint64_t> byteLimit)
    : line_(line), pacer_(baud), byteLimit_(byteLimit) {}

std::uint64_t LineSender::budgetLeft() const {
  if (!byteLimit_) return UINT64_MAX;
  const std::uint64_t committed = pacer_.sent() + pendingSize();
  return committed >= *byteLimit_ ? 0 : *byteLimit_ - committed;
}

void LineSender::queue(std::span<const std::uint8_t> bytes) {
  const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), budgetLeft()));
  if (idle()) {
    pending_.clear();
    pendingOffset_ = 0;
  }
  pending_.insert(pending_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
}

LineSender::Result LineSender::pump(Clock::time_point now, ByteStream* stream) {
  const std::size_t allowance = pacer_.allowance(now);
  if (allowance == 0) return Result::sent;
  if (stream != nullptr && pendingSize() < allowance) {
    const auto fresh =
        static_cast<std::size_t>(std::min<std::uint64_t>(allowance - pendingSize(), budgetLeft()));
    if (idle()) {
      pending_.clear();
      pendingOffset_ = 0;
    }
    const std::size_t old = pending_.size();
    pending_.resize(old + fresh);
    stream->fill(std::span(pending_).subspan(old));
  }
  const std::size_t want = std::min(allowance, pendingSize());
  if (want == 0) return Result::sent;
  const auto chunk = std::span<const std::uint8_t>(pending_).subspan(pendingOffset_, want);
  const long written = line_.write(chunk);
  if (written < 0) return Result::failed;
  const auto taken = static_cast<std::size_t>(written);
  crc_.update(chunk.first(taken));
  pacer_.consumed(taken);
  pendingOffset_ += taken;
  if (taken < want) {
    pacer_.forgetBacklog(now);
    if (!stalled_) ++stalls_;
    stalled_ = true;
    return Result::stalled;
  }
  stalled_ = false;
  return Result::sent;
}

}  // namespace linesim
