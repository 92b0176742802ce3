#include "platform/win32/line_error_tally.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace platform::win32 {

void LineErrorTally::add(std::uint32_t errorFlags) {
  if ((errorFlags & CE_RXPARITY) != 0) ++parity_;
  if ((errorFlags & CE_FRAME) != 0) ++framing_;
  if ((errorFlags & CE_OVERRUN) != 0) ++overrun_;
  if ((errorFlags & CE_RXOVER) != 0) ++bufferOverrun_;
  if ((errorFlags & CE_BREAK) != 0) ++breaks_;
}

LineErrorCounts LineErrorTally::counts() const {
  return {.parity = parity_,
          .framing = framing_,
          .overrun = overrun_,
          .bufferOverrun = bufferOverrun_,
          .breaks = breaks_,
          .atLeast = true};
}

}  // namespace platform::win32
