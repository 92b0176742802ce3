#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <memory>

#include "platform/posix/config_paths.h"
#include "platform/posix/serial_device.h"
#include "pty_line.h"
#include "temp_folder.h"

namespace {

using platform::CommHandle;
using platform::kInvalidCommHandle;
using platform::LineState;

class PtySerialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(folder.path().empty());
    ASSERT_TRUE(line.ok());
    setenv("XDG_CONFIG_HOME", folder.path().c_str(), 1);
    std::filesystem::create_directories(platform::posix::portsFolder());
    devices = std::make_unique<platform::posix::SerialDevices>(platform::posix::portsFolder());
  }
  void TearDown() override { unsetenv("XDG_CONFIG_HOME"); }

  void linkPort(const std::string& name, const std::string& target) {
    std::filesystem::create_symlink(target, platform::posix::portsFolder() + "/" + name);
  }

  static std::vector<std::uint8_t> pattern(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(i * 13 + 1);
    return bytes;
  }

  // The exclusive flag of the device, as another opener sees it.
  int exclusiveFlag() const {
    const int fd = ::open(line.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return -1;
    int flag = -1;
    if (ioctl(fd, TIOCGEXCL, &flag) != 0) flag = -1;
    ::close(fd);
    return flag;
  }

  TempFolder folder;
  PtyLine line;
  std::unique_ptr<platform::posix::SerialDevices> devices;
};

TEST_F(PtySerialTest, OpensByPtsNameAndTakesTheLineParameters) {
  const CommHandle port = devices->open(line.portName());
  ASSERT_NE(port, kInvalidCommHandle) << line.portName();
  EXPECT_TRUE(devices->setQueues(port, 1024, 1024));
  EXPECT_TRUE(devices->purge(port));
  EXPECT_TRUE(devices->setReadsReturnAtOnce(port));
  const auto before = devices->lineState(port);
  ASSERT_TRUE(before.has_value());
  LineState state = *before;
  state.baudRate = 115200;
  state.parityCheck = true;
  ASSERT_TRUE(devices->setLineState(port, state));
  const auto after = devices->lineState(port);
  ASSERT_TRUE(after.has_value());
  EXPECT_EQ(after->baudRate, 115200u);
  EXPECT_TRUE(after->parityCheck);
  EXPECT_EQ(after->byteSize, 8);
  EXPECT_TRUE(devices->close(port));
}

TEST_F(PtySerialTest, ThePrefixAndThePortsFolderReachTheSameDevice) {
  linkPort("LINEA", line.slavePath());
  for (const std::string& name :
       std::vector<std::string>{"LINEA", "//./LINEA", "\\\\.\\LINEA", "//./" + line.portName()}) {
    const CommHandle port = devices->open(name);
    EXPECT_NE(port, kInvalidCommHandle) << name;
    EXPECT_TRUE(devices->close(port)) << name;
  }
}

TEST_F(PtySerialTest, AnEmptyQueueReadsZeroAndMoreThan256ComeAs256ThenTheRest) {
  const CommHandle port = devices->open(line.portName());
  ASSERT_NE(port, kInvalidCommHandle);
  ASSERT_TRUE(devices->setReadsReturnAtOnce(port));
  std::uint8_t buffer[300] = {};
  EXPECT_EQ(devices->read(port, buffer, 256), 0) << "nothing queued is 0, not a failure";

  const auto sent = pattern(300);
  ASSERT_TRUE(line.send(sent));
  ASSERT_TRUE(waitQueued(static_cast<int>(port), 300));
  ASSERT_EQ(devices->read(port, buffer, 256), 256);
  EXPECT_TRUE(std::equal(buffer, buffer + 256, sent.begin()));
  ASSERT_EQ(devices->read(port, buffer, 256), 44);
  EXPECT_TRUE(std::equal(buffer, buffer + 44, sent.begin() + 256));
  EXPECT_EQ(devices->read(port, buffer, 256), 0);
  EXPECT_TRUE(devices->close(port));
}

TEST_F(PtySerialTest, RawModePassesEveryByteValueUnchanged) {
  const CommHandle port = devices->open(line.portName());
  ASSERT_NE(port, kInvalidCommHandle);
  std::vector<std::uint8_t> sent(256);
  for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<std::uint8_t>(i);
  ASSERT_TRUE(line.send(sent));
  ASSERT_TRUE(waitQueued(static_cast<int>(port), 256));
  std::uint8_t buffer[256] = {};
  ASSERT_EQ(devices->read(port, buffer, 256), 256) << "no byte translated, added or dropped";
  EXPECT_TRUE(std::equal(buffer, buffer + 256, sent.begin()));
  EXPECT_TRUE(devices->close(port));
}

TEST_F(PtySerialTest, PurgeDropsWhatWasQueued) {
  const CommHandle port = devices->open(line.portName());
  ASSERT_NE(port, kInvalidCommHandle);
  ASSERT_TRUE(line.send(pattern(40)));
  ASSERT_TRUE(waitQueued(static_cast<int>(port), 40));
  ASSERT_TRUE(devices->purge(port));
  std::uint8_t buffer[256];
  EXPECT_EQ(devices->read(port, buffer, 256), 0);
  EXPECT_TRUE(devices->close(port));
}

TEST_F(PtySerialTest, AHeldPortCannotBeOpenedAgainUntilItIsClosed) {
  const CommHandle port = devices->open(line.portName());
  ASSERT_NE(port, kInvalidCommHandle);
  EXPECT_EQ(exclusiveFlag(), 1) << "held exclusively";
  EXPECT_EQ(devices->open(line.portName()), kInvalidCommHandle) << "by this backend";
  platform::posix::SerialDevices other(platform::posix::portsFolder());
  EXPECT_EQ(other.open(line.portName()), kInvalidCommHandle) << "by another opener";
  linkPort("ALIAS", line.slavePath());
  EXPECT_EQ(other.open("ALIAS"), kInvalidCommHandle) << "under another name";

  EXPECT_TRUE(devices->close(port));
  EXPECT_EQ(exclusiveFlag(), 0) << "the exclusive flag does not outlive the close";
  const CommHandle reopened = other.open(line.portName());
  EXPECT_NE(reopened, kInvalidCommHandle) << "close then reopen";
  EXPECT_TRUE(other.close(reopened));
}

TEST_F(PtySerialTest, EveryRateOfTheTablesIsAcceptedAndReadBack) {
  const CommHandle port = devices->open(line.portName());
  ASSERT_NE(port, kInvalidCommHandle);
  // Those without a B-constant go through termios2.
  for (std::uint32_t rate : {110u, 300u, 600u, 1200u, 2400u, 4800u, 9600u, 14400u, 19200u, 38400u,
                             56000u, 57600u, 115200u, 128000u, 256000u}) {
    LineState state = devices->lineState(port).value();
    state.baudRate = rate;
    EXPECT_TRUE(devices->setLineState(port, state)) << rate;
    EXPECT_EQ(devices->lineState(port)->baudRate, rate);
  }
  EXPECT_TRUE(devices->close(port));
}

TEST_F(PtySerialTest, EveryParityDataBitsAndStopBitsSettingIsAccepted) {
  const CommHandle port = devices->open(line.portName());
  ASSERT_NE(port, kInvalidCommHandle);
  // A pseudo-terminal takes these but forces 8 data bits and no parity, so
  // only acceptance shows here; the termios built is checked apart.
  for (std::uint8_t parity = 0; parity <= 4; ++parity) {
    for (std::uint8_t byteSize = 5; byteSize <= 8; ++byteSize) {
      for (std::uint8_t stopBits : {platform::kOneStopBit, platform::kTwoStopBits}) {
        const LineState state{.baudRate = 9600,
                              .byteSize = byteSize,
                              .parity = parity,
                              .stopBits = stopBits,
                              .binary = true,
                              .parityCheck = true};
        EXPECT_TRUE(devices->setLineState(port, state))
            << int{parity} << " " << int{byteSize} << " " << int{stopBits};
        EXPECT_EQ(devices->lineState(port)->stopBits, stopBits);
      }
    }
  }
  LineState bad = devices->lineState(port).value();
  bad.byteSize = 9;
  EXPECT_FALSE(devices->setLineState(port, bad));
  bad.byteSize = 8;
  bad.parity = 5;
  EXPECT_FALSE(devices->setLineState(port, bad));
  EXPECT_TRUE(devices->close(port));
}

TEST_F(PtySerialTest, AHangUpIsAFailedReadNotAnEmptyOne) {
  const CommHandle port = devices->open(line.portName());
  ASSERT_NE(port, kInvalidCommHandle);
  ASSERT_TRUE(devices->setReadsReturnAtOnce(port));
  line.closeLine();
  std::uint8_t buffer[256];
  EXPECT_EQ(devices->read(port, buffer, 256), -1);
  EXPECT_TRUE(devices->close(port));
}

TEST_F(PtySerialTest, ClosedOrUnknownHandlesFailWithoutTouchingAnyDescriptor) {
  const CommHandle port = devices->open(line.portName());
  ASSERT_NE(port, kInvalidCommHandle);
  ASSERT_TRUE(devices->close(port));
  std::uint8_t buffer[256];
  EXPECT_EQ(devices->read(port, buffer, 256), -1);
  EXPECT_FALSE(devices->close(port));
  EXPECT_FALSE(devices->purge(port));
  EXPECT_EQ(devices->read(0, buffer, 256), -1) << "standard input is not a port of ours";
  EXPECT_FALSE(devices->close(kInvalidCommHandle));
}

TEST_F(PtySerialTest, OnlyTerminalDevicesAreOpened) {
  writeWholeFile(folder / "plain", "not a device");
  linkPort("FILE", folder / "plain");
  linkPort("NULLDEV", "/dev/null");
  linkPort("GONE", folder / "missing");
  EXPECT_EQ(devices->open("FILE"), kInvalidCommHandle);
  EXPECT_EQ(devices->open("NULLDEV"), kInvalidCommHandle) << "a device, but not a terminal";
  EXPECT_EQ(devices->open("GONE"), kInvalidCommHandle);
  EXPECT_EQ(devices->open("null"), kInvalidCommHandle);
  EXPECT_EQ(devices->open("ttyNOSUCH"), kInvalidCommHandle);
  EXPECT_EQ(devices->open(""), kInvalidCommHandle);
  EXPECT_EQ(devices->open("pts/../null"), kInvalidCommHandle);
}

}  // namespace
