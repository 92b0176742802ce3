// The settings of a Windows serial port in DCB terms. Pure functions, so
// that every field is checked on the structure itself, whatever a driver
// lets a test read back.
#pragma once

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "platform/comm/comm_backend.h"

namespace platform::win32 {

// The DCB of a receive-only monitor, built whole: the line parameters from
// state, binary mode, and everything that could drop, replace or send a byte
// off (fNull, fDsrSensitivity, fErrorChar, fAbortOnError, fInX, fOutX,
// fTXContinueOnXoff), with fixed special characters and limits. Only the
// modem-line fields come from reported: DTR and RTS control and the CTS and
// DSR output handshake, which the monitor leaves as the port had them.
DCB monitorDcb(const DCB& reported, const LineState& state);

// The line parameters a DCB describes.
LineState lineStateOf(const DCB& dcb);

}  // namespace platform::win32
