// Line errors the driver reported, counted since a port was opened.
// ClearCommError tells which errors happened since the last query, not how
// often, so each reported kind adds one and every count is a lower bound.
#pragma once

#include <cstdint>

#include "platform/comm/comm_backend.h"

namespace platform::win32 {

class LineErrorTally {
 public:
  // errorFlags as ClearCommError gives them (CE_RXPARITY, CE_FRAME, ...).
  void add(std::uint32_t errorFlags);
  // Every count is known and marked as a lower bound; no flag since the
  // open is a known zero.
  LineErrorCounts counts() const;

 private:
  std::uint64_t parity_ = 0, framing_ = 0, overrun_ = 0, bufferOverrun_ = 0, breaks_ = 0;
};

}  // namespace platform::win32
