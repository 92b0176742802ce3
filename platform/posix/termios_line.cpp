#include "platform/posix/termios_line.h"

#include <array>
#include <utility>

namespace platform::posix {
namespace {

// Input checking with marks: a byte received with a parity or framing error
// is handed over as 0xFF 0x00 X, a break as 0xFF 0x00 0x00, and a 0xFF as
// 0xFF 0xFF (parity_marks.h takes the marks out again). Some drivers report
// errors at all only while INPCK is set.
constexpr tcflag_t kErrorMarking = INPCK | PARMRK;
// Flags that would drop a damaged byte or a break, turn a break into a
// signal, or cut bytes to seven bits.
constexpr tcflag_t kErrorDropping = IGNPAR | IGNBRK | BRKINT | ISTRIP;

}  // namespace

std::optional<speed_t> speedConstant(std::uint32_t baudRate) {
  static constexpr std::array<std::pair<std::uint32_t, speed_t>, 30> kRates{{
      {50, B50},           {75, B75},           {110, B110},         {134, B134},
      {150, B150},         {200, B200},         {300, B300},         {600, B600},
      {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
      {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
      {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
      {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
      {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
      {3500000, B3500000}, {4000000, B4000000},
  }};
  for (const auto& [rate, constant] : kRates) {
    if (rate == baudRate) return constant;
  }
  return std::nullopt;
}

bool applyLineState(termios& tio, const LineState& state) {
  tcflag_t size = 0;
  switch (state.byteSize) {
    case 5:
      size = CS5;
      break;
    case 6:
      size = CS6;
      break;
    case 7:
      size = CS7;
      break;
    case 8:
      size = CS8;
      break;
    default:
      return false;
  }
  tcflag_t parity = 0;
  switch (state.parity) {
    case kNoParity:
      parity = 0;
      break;
    case kOddParity:
      parity = PARENB | PARODD;
      break;
    case kEvenParity:
      parity = PARENB;
      break;
    // With CMSPAR the parity bit is fixed: PARODD makes it 1 (mark), else 0 (space).
    case kMarkParity:
      parity = PARENB | CMSPAR | PARODD;
      break;
    case kSpaceParity:
      parity = PARENB | CMSPAR;
      break;
    default:
      return false;
  }
  tcflag_t stop = 0;
  switch (state.stopBits) {
    case kOneStopBit:
      stop = 0;
      break;
    case kTwoStopBits:
      stop = CSTOPB;
      break;
    default:
      return false;
  }
  if (state.baudRate == 0 || !state.binary) return false;

  termios next = tio;
  next.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB);
  next.c_cflag |= size | parity | stop;
  // Every byte is checked and a damaged one marked, never dropped or made
  // 0x00: the backend counts the marks and hands the byte over as received.
  // This holds with parityCheck off too, since framing errors and breaks are
  // marked the same way and the marks are always taken out.
  next.c_iflag |= kErrorMarking;
  next.c_iflag &= ~static_cast<tcflag_t>(kErrorDropping);
  // Binary: no byte is stripped to seven bits or translated.
  next.c_iflag &= ~static_cast<tcflag_t>(ISTRIP | INLCR | IGNCR | ICRNL);
  if (const auto constant = speedConstant(state.baudRate)) {
    cfsetispeed(&next, *constant);
    cfsetospeed(&next, *constant);
    // The C library sets only the output field; an input rate left there by
    // an earlier owner (a number through termios2, say) would stay in force.
    // Cleared, the input rate follows the output rate.
    next.c_cflag &= ~static_cast<tcflag_t>(CIBAUD);
  }
  tio = next;
  return true;
}

LineState lineStateOf(const termios& tio) {
  LineState state;
  switch (tio.c_cflag & CSIZE) {
    case CS5:
      state.byteSize = 5;
      break;
    case CS6:
      state.byteSize = 6;
      break;
    case CS7:
      state.byteSize = 7;
      break;
    default:
      state.byteSize = 8;
      break;
  }
  if ((tio.c_cflag & PARENB) == 0) {
    state.parity = kNoParity;
  } else if ((tio.c_cflag & CMSPAR) != 0) {
    state.parity = (tio.c_cflag & PARODD) != 0 ? kMarkParity : kSpaceParity;
  } else {
    state.parity = (tio.c_cflag & PARODD) != 0 ? kOddParity : kEvenParity;
  }
  state.stopBits = (tio.c_cflag & CSTOPB) != 0 ? kTwoStopBits : kOneStopBit;
  state.binary = (tio.c_iflag & (ISTRIP | INLCR | IGNCR | ICRNL)) == 0;
  return state;
}

void makeRawForMonitor(termios& tio) {
  cfmakeraw(&tio);
  // cfmakeraw leaves IXOFF (the line discipline would send STOP and START
  // bytes when its queue fills), IXANY, IUCLC, IMAXBEL (a bell sent when the
  // queue is full) and the error handling flags as another program left
  // them: every input and output flag is set from nothing instead, and no
  // local mode is kept, so no byte is dropped, altered or echoed.
  tio.c_iflag = kErrorMarking;
  tio.c_oflag = 0;
  tio.c_lflag = 0;
  // The modem-line settings (CRTSCTS, HUPCL) stay as the port had them.
  tio.c_cflag |= CREAD | CLOCAL;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
}

}  // namespace platform::posix
