#include "platform/win32/dcb_line.h"

namespace platform::win32 {
namespace {

// Unused while software flow control is off, but some drivers refuse a DCB
// whose XON and XOFF characters are equal or whose limits exceed the queue.
constexpr char kXon = 0x11;
constexpr char kXoff = 0x13;
constexpr WORD kFlowLimit = 64;

}  // namespace

DCB monitorDcb(const DCB& reported, const LineState& state) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  dcb.BaudRate = state.baudRate;
  dcb.ByteSize = state.byteSize;
  dcb.Parity = state.parity;
  dcb.StopBits = state.stopBits;
  // Windows knows no other mode than binary.
  dcb.fBinary = 1;
  dcb.fParity = state.parityCheck ? 1 : 0;
  // The modem lines stay as the port had them: changing DTR or RTS would
  // signal on the line being watched.
  dcb.fOutxCtsFlow = reported.fOutxCtsFlow;
  dcb.fOutxDsrFlow = reported.fOutxDsrFlow;
  dcb.fDtrControl = reported.fDtrControl;
  dcb.fRtsControl = reported.fRtsControl;
  // Each of these would lose or alter received bytes, or send XOFF/XON:
  // fDsrSensitivity drops everything while DSR is low, fNull drops 0x00,
  // fErrorChar replaces damaged bytes, fAbortOnError fails reads until the
  // error is cleared, fInX transmits when the queue fills.
  dcb.fDsrSensitivity = 0;
  dcb.fTXContinueOnXoff = 0;
  dcb.fOutX = 0;
  dcb.fInX = 0;
  dcb.fErrorChar = 0;
  dcb.fNull = 0;
  dcb.fAbortOnError = 0;
  dcb.XonLim = kFlowLimit;
  dcb.XoffLim = kFlowLimit;
  dcb.XonChar = kXon;
  dcb.XoffChar = kXoff;
  dcb.ErrorChar = 0;
  dcb.EofChar = 0;
  dcb.EvtChar = 0;
  return dcb;
}

LineState lineStateOf(const DCB& dcb) {
  LineState state;
  state.baudRate = dcb.BaudRate;
  state.byteSize = dcb.ByteSize;
  state.parity = dcb.Parity;
  state.stopBits = dcb.StopBits;
  state.binary = dcb.fBinary != 0;
  state.parityCheck = dcb.fParity != 0;
  return state;
}

}  // namespace platform::win32
