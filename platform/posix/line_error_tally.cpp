#include "platform/posix/line_error_tally.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

namespace platform::posix {
namespace {

// The driver's counters are 32 bits wide and wrap; the difference modulo 2^32
// stays right across one wrap.
std::uint64_t since(std::uint32_t baseline, std::uint32_t latest) {
  return static_cast<std::uint32_t>(latest - baseline);
}

std::uint32_t counter(int value) { return static_cast<std::uint32_t>(value); }

}  // namespace

std::optional<DriverErrorCounters> readDriverErrorCounters(int fd) {
  serial_icounter_struct icount{};
  if (ioctl(fd, TIOCGICOUNT, &icount) != 0) return std::nullopt;
  return DriverErrorCounters{.parity = counter(icount.parity),
                             .framing = counter(icount.frame),
                             .overrun = counter(icount.overrun),
                             .bufferOverrun = counter(icount.buf_overrun),
                             .breaks = counter(icount.brk)};
}

void LineErrorTally::startPeriod(std::optional<DriverErrorCounters> baseline) {
  if (baseline_) {
    const Totals done = currentPeriod();
    Totals sum = earlier_.value_or(Totals{});
    sum.parity += done.parity;
    sum.framing += done.framing;
    sum.overrun += done.overrun;
    sum.bufferOverrun += done.bufferOverrun;
    sum.breaks += done.breaks;
    earlier_ = sum;
  }
  baseline_ = baseline;
  latest_ = baseline.value_or(DriverErrorCounters{});
}

void LineErrorTally::update(std::optional<DriverErrorCounters> latest) {
  if (baseline_ && latest) latest_ = *latest;
}

LineErrorTally::Totals LineErrorTally::currentPeriod() const {
  if (!baseline_) return {};
  return Totals{.parity = since(baseline_->parity, latest_.parity),
                .framing = since(baseline_->framing, latest_.framing),
                .overrun = since(baseline_->overrun, latest_.overrun),
                .bufferOverrun = since(baseline_->bufferOverrun, latest_.bufferOverrun),
                .breaks = since(baseline_->breaks, latest_.breaks)};
}

LineErrorCounts LineErrorTally::counts() const {
  if (!earlier_ && !baseline_) return {};
  const Totals before = earlier_.value_or(Totals{});
  const Totals now = currentPeriod();
  return LineErrorCounts{.parity = before.parity + now.parity,
                         .framing = before.framing + now.framing,
                         .overrun = before.overrun + now.overrun,
                         .bufferOverrun = before.bufferOverrun + now.bufferOverrun,
                         .breaks = before.breaks + now.breaks};
}

}  // namespace platform::posix
