// The monitor's DCB over a reported one with every field set: what could
// drop, alter or send a byte comes out off, the line parameters as asked,
// the modem-line fields as the port had them.
#include "platform/win32/dcb_line.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

using platform::LineState;
using platform::win32::monitorDcb;

// Every bit of every field set, then a sentinel in each byte-wide field, so
// that a field copied through shows.
DCB everythingSet() {
  DCB dcb;
  std::memset(&dcb, 0xFF, sizeof dcb);
  dcb.DCBlength = sizeof dcb;
  dcb.BaudRate = 12345;
  dcb.XonLim = dcb.XoffLim = 0xA5A5;
  dcb.ByteSize = dcb.Parity = dcb.StopBits = 0xA5;
  dcb.XonChar = dcb.XoffChar = dcb.ErrorChar = dcb.EofChar = dcb.EvtChar = '\xA5';
  return dcb;
}

DCB nothingSet() {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  return dcb;
}

struct Field {
  const char* name;
  std::function<unsigned long(const DCB&)> read;
  // nullopt: the reported value, unchanged.
  std::optional<unsigned long> expected;
};

TEST(MonitorDcb, EveryFieldIsKnownButTheModemLines) {
  const LineState asked{.baudRate = 57600,
                        .byteSize = 7,
                        .parity = platform::kEvenParity,
                        .stopBits = platform::kTwoStopBits,
                        .binary = true,
                        .parityCheck = true};
  const Field fields[] = {
      {"DCBlength", [](const DCB& d) { return d.DCBlength; }, sizeof(DCB)},
      {"BaudRate", [](const DCB& d) { return d.BaudRate; }, 57600},
      {"ByteSize", [](const DCB& d) { return d.ByteSize; }, 7},
      {"Parity", [](const DCB& d) { return d.Parity; }, EVENPARITY},
      {"StopBits", [](const DCB& d) { return d.StopBits; }, TWOSTOPBITS},
      {"fBinary", [](const DCB& d) { return d.fBinary; }, 1},
      {"fParity", [](const DCB& d) { return d.fParity; }, 1},
      {"fOutxCtsFlow", [](const DCB& d) { return d.fOutxCtsFlow; }, std::nullopt},
      {"fOutxDsrFlow", [](const DCB& d) { return d.fOutxDsrFlow; }, std::nullopt},
      {"fDtrControl", [](const DCB& d) { return d.fDtrControl; }, std::nullopt},
      {"fRtsControl", [](const DCB& d) { return d.fRtsControl; }, std::nullopt},
      {"fDsrSensitivity", [](const DCB& d) { return d.fDsrSensitivity; }, 0},
      {"fTXContinueOnXoff", [](const DCB& d) { return d.fTXContinueOnXoff; }, 0},
      {"fOutX", [](const DCB& d) { return d.fOutX; }, 0},
      {"fInX", [](const DCB& d) { return d.fInX; }, 0},
      {"fErrorChar", [](const DCB& d) { return d.fErrorChar; }, 0},
      {"fNull", [](const DCB& d) { return d.fNull; }, 0},
      {"fAbortOnError", [](const DCB& d) { return d.fAbortOnError; }, 0},
      {"fDummy2", [](const DCB& d) { return d.fDummy2; }, 0},
      {"wReserved", [](const DCB& d) { return d.wReserved; }, 0},
      {"wReserved1", [](const DCB& d) { return d.wReserved1; }, 0},
      {"XonLim", [](const DCB& d) { return d.XonLim; }, 64},
      {"XoffLim", [](const DCB& d) { return d.XoffLim; }, 64},
      {"XonChar", [](const DCB& d) { return static_cast<unsigned char>(d.XonChar); }, 0x11},
      {"XoffChar", [](const DCB& d) { return static_cast<unsigned char>(d.XoffChar); }, 0x13},
      {"ErrorChar", [](const DCB& d) { return static_cast<unsigned char>(d.ErrorChar); }, 0},
      {"EofChar", [](const DCB& d) { return static_cast<unsigned char>(d.EofChar); }, 0},
      {"EvtChar", [](const DCB& d) { return static_cast<unsigned char>(d.EvtChar); }, 0},
  };
  for (const DCB& reported : {everythingSet(), nothingSet()}) {
    const DCB built = monitorDcb(reported, asked);
    for (const Field& field : fields) {
      EXPECT_EQ(field.read(built), field.expected.value_or(field.read(reported)))
          << field.name << " over a DCB with " << (reported.fNull ? "every" : "no") << " flag set";
    }
  }
}

TEST(MonitorDcb, ParityCheckAndEachParityComeFromTheLineState) {
  for (std::uint8_t parity = platform::kNoParity; parity <= platform::kSpaceParity; ++parity) {
    for (bool check : {false, true}) {
      LineState asked;
      asked.baudRate = 9600;
      asked.parity = parity;
      asked.parityCheck = check;
      const DCB built = monitorDcb(everythingSet(), asked);
      EXPECT_EQ(built.Parity, parity);
      EXPECT_EQ(built.fParity, check ? 1u : 0u);
      EXPECT_EQ(platform::win32::lineStateOf(built), asked) << "parity " << int(parity);
    }
  }
}

}  // namespace
