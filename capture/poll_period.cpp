#include "capture/poll_period.h"

#include "platform/framework/cwnd.h"

std::uint32_t pollPeriodMs(std::int32_t pollTimeMs) {
  if (pollTimeMs < static_cast<std::int32_t>(CWnd::kMinimumTimerPeriodMs)) {
    return CWnd::kMinimumTimerPeriodMs;
  }
  return static_cast<std::uint32_t>(pollTimeMs);
}
