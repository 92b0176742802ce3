// The line parameters of a serial device in termios terms. Pure functions, so
// that what a pseudo-terminal cannot show (it forces 8 data bits and no
// parity) is checked on the structure itself.
#pragma once

#include <termios.h>

#include <cstdint>
#include <optional>

#include "platform/comm/comm_backend.h"

namespace platform::posix {

// The B-constant of a rate, when the classic termios interface has one.
std::optional<speed_t> speedConstant(std::uint32_t baudRate);

// Writes data bits, parity (MARK and SPACE through CMSPAR), stop bits and,
// for a rate with a B-constant, the speed into tio, turns input checking
// with marks on (INPCK, PARMRK) and off what would drop a damaged byte or a
// break or strip bytes (IGNPAR, IGNBRK, BRKINT, ISTRIP); everything else in
// tio stays. Bytes are always checked, whatever parityCheck says.
// Returns false, leaving tio untouched, for parameters the line cannot take: a byte size outside 5
// to 8, an unknown parity, one and a half stop bits, a rate of 0, or non-binary mode.
bool applyLineState(termios& tio, const LineState& state);

// The line parameters tio describes; the rate is left 0 (it is read apart)
// and parityCheck false (it is no termios flag here).
LineState lineStateOf(const termios& tio);

// Raw mode for a receive-only monitor: every input, output and local flag
// cleared but input checking with marks (INPCK, PARMRK) (no software flow
// control, no echo, no translation, no signals),
// receiver on, modem lines ignored, hardware handshake and hang-up on close
// left as found, and a read that waits for at least one
// byte (on a non-blocking descriptor: "no data" is EAGAIN and a read of 0
// means the line hung up).
void makeRawForMonitor(termios& tio);

}  // namespace platform::posix
