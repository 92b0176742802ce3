#include <gtest/gtest.h>

#include <cstring>

#include "platform/posix/device_names.h"
#include "platform/posix/termios_line.h"
#include "temp_folder.h"

namespace {

using platform::LineState;
using platform::posix::applyLineState;

// A structure whose every flag word is filled with set bits, so that a field
// the conversion must not touch shows when it is touched.
termios sentinelTermios() {
  termios tio;
  std::memset(&tio, 0xA5, sizeof tio);
  tio.c_cflag = static_cast<tcflag_t>(~0u);
  return tio;
}

LineState lineWith(std::uint8_t byteSize, std::uint8_t parity, std::uint8_t stopBits) {
  return LineState{.baudRate = 9600,
                   .byteSize = byteSize,
                   .parity = parity,
                   .stopBits = stopBits,
                   .binary = true,
                   .parityCheck = true};
}

TEST(LineTermios, DataBitsGoIntoTheSizeField) {
  const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
  for (std::uint8_t bits = 5; bits <= 8; ++bits) {
    termios tio = sentinelTermios();
    ASSERT_TRUE(applyLineState(tio, lineWith(bits, platform::kNoParity, platform::kOneStopBit)));
    EXPECT_EQ(tio.c_cflag & CSIZE, sizes[bits - 5]) << int{bits};
    EXPECT_EQ(platform::posix::lineStateOf(tio).byteSize, bits);
  }
}

TEST(LineTermios, EachParityHasItsFlags) {
  struct Case {
    std::uint8_t parity;
    tcflag_t flags;  // of PARENB | PARODD | CMSPAR
  };
  const Case cases[] = {
      {platform::kNoParity, 0},
      {platform::kOddParity, PARENB | PARODD},
      {platform::kEvenParity, PARENB},
      {platform::kMarkParity, PARENB | PARODD | CMSPAR},
      {platform::kSpaceParity, PARENB | CMSPAR},
  };
  for (const Case& c : cases) {
    termios tio = sentinelTermios();
    ASSERT_TRUE(applyLineState(tio, lineWith(7, c.parity, platform::kOneStopBit)));
    EXPECT_EQ(tio.c_cflag & (PARENB | PARODD | CMSPAR), c.flags) << int{c.parity};
    EXPECT_EQ(platform::posix::lineStateOf(tio).parity, c.parity);
  }
}

TEST(LineTermios, StopBitsParityCheckAndUntouchedFields) {
  termios tio = sentinelTermios();
  // A device left by its last user with damaged bytes and breaks dropped,
  // breaks made signals and bytes cut to seven bits.
  tio.c_iflag |= IGNPAR | IGNBRK | BRKINT | ISTRIP;
  tio.c_iflag &= ~static_cast<tcflag_t>(INPCK | PARMRK);
  const termios before = tio;
  ASSERT_TRUE(applyLineState(tio, lineWith(8, platform::kEvenParity, platform::kTwoStopBits)));
  EXPECT_NE(tio.c_cflag & CSTOPB, 0u);
  // Every byte is checked and a damaged one or a break marked, never dropped
  // or made 0x00: the backend counts the marks and takes them out.
  EXPECT_EQ(tio.c_iflag & (INPCK | PARMRK), static_cast<tcflag_t>(INPCK | PARMRK));
  EXPECT_EQ(tio.c_iflag & (IGNPAR | IGNBRK | BRKINT | ISTRIP), 0u);
  EXPECT_EQ(tio.c_iflag & (ISTRIP | INLCR | IGNCR | ICRNL), 0u) << "binary: bytes pass unchanged";
  // Flow control and everything else stays as the device had it.
  EXPECT_EQ(tio.c_cflag & CRTSCTS, before.c_cflag & CRTSCTS);
  EXPECT_EQ(tio.c_iflag & (IXON | IXOFF), before.c_iflag & (IXON | IXOFF));
  EXPECT_EQ(tio.c_lflag, before.c_lflag);
  EXPECT_EQ(tio.c_oflag, before.c_oflag);
  EXPECT_EQ(std::memcmp(tio.c_cc, before.c_cc, sizeof tio.c_cc), 0);

  LineState noCheck = lineWith(8, platform::kNoParity, platform::kOneStopBit);
  noCheck.parityCheck = false;
  ASSERT_TRUE(applyLineState(tio, noCheck));
  EXPECT_EQ(tio.c_cflag & CSTOPB, 0u);
  EXPECT_EQ(tio.c_iflag & (INPCK | PARMRK), static_cast<tcflag_t>(INPCK | PARMRK))
      << "framing errors and breaks are marked without parity too";
}

TEST(LineTermios, StandardRatesSetTheSpeedAndOthersLeaveItForTheDriver) {
  termios tio = sentinelTermios();
  cfsetispeed(&tio, B300);
  cfsetospeed(&tio, B300);
  LineState state = lineWith(8, platform::kNoParity, platform::kOneStopBit);
  state.baudRate = 115200;
  ASSERT_TRUE(applyLineState(tio, state));
  EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B115200));
  EXPECT_EQ(cfgetispeed(&tio), static_cast<speed_t>(B115200));
  for (std::uint32_t rate : {14400u, 56000u, 128000u, 256000u}) {
    EXPECT_FALSE(platform::posix::speedConstant(rate).has_value()) << rate;
    state.baudRate = rate;
    ASSERT_TRUE(applyLineState(tio, state));
    EXPECT_EQ(cfgetospeed(&tio), static_cast<speed_t>(B115200)) << "set through termios2 instead";
  }
}

TEST(LineTermios, ParametersTheLineCannotTakeAreRefusedAndChangeNothing) {
  const LineState refused[] = {
      lineWith(4, platform::kNoParity, platform::kOneStopBit),
      lineWith(9, platform::kNoParity, platform::kOneStopBit),
      lineWith(8, 5, platform::kOneStopBit),
      lineWith(8, platform::kNoParity, platform::kOneAndHalfStopBits),
      lineWith(8, platform::kNoParity, 3),
      [] {
        LineState s = lineWith(8, platform::kNoParity, platform::kOneStopBit);
        s.baudRate = 0;  // B0 would hang the line up
        return s;
      }(),
      [] {
        LineState s = lineWith(8, platform::kNoParity, platform::kOneStopBit);
        s.binary = false;
        return s;
      }(),
  };
  for (const LineState& state : refused) {
    termios tio = sentinelTermios();
    EXPECT_FALSE(applyLineState(tio, state));
    const termios untouched = sentinelTermios();
    EXPECT_EQ(std::memcmp(&tio, &untouched, sizeof tio), 0);
  }
}

TEST(LineTermios, RawModeForTheMonitor) {
  termios tio = sentinelTermios();
  platform::posix::makeRawForMonitor(tio);
  EXPECT_EQ(tio.c_cc[VMIN], 1) << "an empty queue is EAGAIN, a read of 0 a hang-up";
  EXPECT_EQ(tio.c_cc[VTIME], 0);
  EXPECT_NE(tio.c_cflag & CREAD, 0u);
  EXPECT_NE(tio.c_cflag & CLOCAL, 0u) << "modem lines are not waited for";
  EXPECT_EQ(tio.c_lflag, 0u) << "no echo, no line editing, no signals";
  EXPECT_EQ(tio.c_oflag, 0u);
  EXPECT_EQ(tio.c_iflag, static_cast<tcflag_t>(INPCK | PARMRK))
      << "no flow control or translation; damaged bytes marked, not dropped";
  EXPECT_EQ(tio.c_cflag & (CRTSCTS | HUPCL), CRTSCTS | HUPCL) << "modem-line settings as found";

  termios plain = sentinelTermios();
  plain.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS | HUPCL);
  platform::posix::makeRawForMonitor(plain);
  EXPECT_EQ(plain.c_cflag & (CRTSCTS | HUPCL), 0u) << "and not added where they were off";
}

TEST(DeviceNames, PrefixesAreRemoved) {
  using platform::posix::stripDevicePrefix;
  EXPECT_EQ(stripDevicePrefix("//./COM10"), "COM10");
  EXPECT_EQ(stripDevicePrefix("\\\\.\\COM10"), "COM10");
  EXPECT_EQ(stripDevicePrefix("COM3"), "COM3");
  EXPECT_EQ(stripDevicePrefix("/./COM3"), "/./COM3");
}

TEST(DeviceNames, PortsFolderThenComNumbersThenDev) {
  TempFolder folder;
  using platform::posix::resolveDevicePath;
  EXPECT_EQ(resolveDevicePath("COM1", folder.path()), "/dev/ttyS0");
  EXPECT_EQ(resolveDevicePath("COM10", folder.path()), "/dev/ttyS9");
  EXPECT_EQ(resolveDevicePath("com3", folder.path()), "/dev/ttyS2");
  EXPECT_EQ(resolveDevicePath("COM0", folder.path()), "/dev/COM0");
  EXPECT_EQ(resolveDevicePath("COM3x", folder.path()), "/dev/COM3x");
  EXPECT_EQ(resolveDevicePath("ttyUSB0", folder.path()), "/dev/ttyUSB0");
  EXPECT_EQ(resolveDevicePath("pts/3", folder.path()), "/dev/pts/3");
  // An entry in the ports folder comes first, even for a COM name; a
  // dangling link counts as the entry (and then fails to open).
  std::filesystem::create_symlink("/dev/pts/7", folder / "COM3");
  std::filesystem::create_symlink(folder / "nowhere", folder / "LINE");
  EXPECT_EQ(resolveDevicePath("COM3", folder.path()), folder / "COM3");
  EXPECT_EQ(resolveDevicePath("LINE", folder.path()), folder / "LINE");
  EXPECT_EQ(resolveDevicePath("", folder.path()), "");
  EXPECT_EQ(resolveDevicePath("..", folder.path()), "");
  EXPECT_EQ(resolveDevicePath("pts/../../etc/passwd", folder.path()), "");
  EXPECT_EQ(resolveDevicePath("/dev/ttyS0", folder.path()), "");
}

}  // namespace
