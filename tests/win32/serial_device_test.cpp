// The Win32 serial backend on a pseudo-terminal of the Linux side, which the
// Wine prefix names COM5 and COM10 (see with_pty_line.sh). Wine does not
// enforce exclusive opens, so a second open of a held port is not tested
// here; the POSIX backend's tests cover that rule.
#include "platform/win32/serial_device.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <thread>

#include "tests/win32/line_control.h"

namespace {

using platform::CommHandle;
using platform::kInvalidCommHandle;
using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

class Win32SerialTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!line.available()) GTEST_SKIP() << "needs the line helper: run through with_pty_line.sh";
  }
  void TearDown() override {
    if (handle != kInvalidCommHandle) devices.close(handle);
  }

  // Opens and configures the port as the monitor does.
  void openConfigured(const std::string& path, std::uint32_t baudRate = 115200,
                      std::uint8_t parity = platform::kNoParity) {
    handle = devices.open(path);
    ASSERT_NE(handle, kInvalidCommHandle) << devices.lastFailureReason();
    EXPECT_TRUE(devices.setQueues(handle, 1024, 1024));
    EXPECT_TRUE(devices.purge(handle));
    EXPECT_TRUE(devices.setReadsReturnAtOnce(handle));
    auto state = devices.lineState(handle);
    ASSERT_TRUE(state.has_value());
    state->baudRate = baudRate;
    state->byteSize = 8;
    state->parity = parity;
    state->stopBits = platform::kOneStopBit;
    state->parityCheck = true;
    ASSERT_TRUE(devices.setLineState(handle, *state)) << devices.lastFailureReason();
  }

  // Reads in 256-byte reads until count bytes came or two seconds passed.
  Bytes readUntil(std::size_t count, std::vector<int>* readSizes = nullptr) {
    Bytes received;
    const auto deadline = std::chrono::steady_clock::now() + 2s;
    while (received.size() < count && std::chrono::steady_clock::now() < deadline) {
      std::uint8_t buffer[256];
      const int got = devices.read(handle, buffer, 256);
      if (got < 0) {
        ADD_FAILURE() << "a read failed after " << received.size() << " bytes";
        break;
      }
      if (got == 0) {
        std::this_thread::sleep_for(5ms);
        continue;
      }
      if (readSizes != nullptr) readSizes->push_back(got);
      received.insert(received.end(), buffer, buffer + got);
    }
    return received;
  }

  platform::win32::SerialDevices devices;
  LineControl line;
  CommHandle handle = kInvalidCommHandle;
};

TEST_F(Win32SerialTest, OpensConfiguresAndReadsNothingAtOnceOnAQuietLine) {
  openConfigured("COM5");
  const auto state = devices.lineState(handle);
  ASSERT_TRUE(state.has_value());
  EXPECT_EQ(state->baudRate, 115200u);
  EXPECT_EQ(state->byteSize, 8);
  EXPECT_EQ(state->parity, platform::kNoParity);
  EXPECT_EQ(state->stopBits, platform::kOneStopBit);
  EXPECT_TRUE(state->binary);

  std::uint8_t buffer[256];
  const auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(devices.read(handle, buffer, 256), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - before, 1s) << "a read never waits";
  EXPECT_TRUE(devices.devicePresent(handle));

  const platform::LineErrorCounts zero{0, 0, 0, 0, 0};
  EXPECT_EQ(devices.lineErrors(handle), zero) << "every count is known, and none happened";
  EXPECT_TRUE(devices.lastFailureReason().empty());
}

TEST_F(Win32SerialTest, TypedRatesAreSetAsTypedAndReadBack) {
  openConfigured("COM5");
  for (std::uint32_t rate : {921600u, 3000000u, 460800u, 1000000u, 4000000u, 50u}) {
    auto state = devices.lineState(handle);
    ASSERT_TRUE(state.has_value());
    state->baudRate = rate;
    EXPECT_TRUE(devices.setLineState(handle, *state))
        << rate << ": " << devices.lastFailureReason();
    EXPECT_EQ(devices.lineState(handle)->baudRate, rate);
  }
}

TEST_F(Win32SerialTest, QueuedBytesComeIn256ByteReadsAndTheRestAfter) {
  openConfigured("COM5");
  ASSERT_TRUE(line.send(1000, 1000, 0));
  std::this_thread::sleep_for(100ms);
  std::vector<int> sizes;
  EXPECT_EQ(readUntil(1000, &sizes), LineControl::pattern(1000));
  EXPECT_EQ(sizes, (std::vector<int>{256, 256, 256, 232}));
  std::uint8_t buffer[256];
  EXPECT_EQ(devices.read(handle, buffer, 256), 0);
}

TEST_F(Win32SerialTest, APacedLineArrivesCompleteAndInOrderThroughALongName) {
  // Five characters or more go through the device namespace.
  openConfigured("//./COM10");
  std::thread sender([this] { line.send(3000, 37, 2); });
  const Bytes received = readUntil(3000);
  sender.join();
  EXPECT_EQ(received, LineControl::pattern(3000));
}

TEST_F(Win32SerialTest, APortThatDoesNotExistIsRefusedWithTheReasonAndWhatToDo) {
  const struct {
    const char* path;
    const char* opening;
  } cases[] = {{"COM9", "COM9: "}, {"//./COM11", "COM11 (//./COM11): "}};
  for (const auto& c : cases) {
    EXPECT_EQ(devices.open(c.path), kInvalidCommHandle);
    const std::string reason = devices.lastFailureReason();
    EXPECT_EQ(reason.rfind(c.opening, 0), 0u) << reason;
    EXPECT_NE(reason.find("(error 2). There is no such port"), std::string::npos) << reason;
    EXPECT_NE(reason.find("Device Manager"), std::string::npos) << reason;
  }
  openConfigured("COM5");
  EXPECT_EQ(devices.lastFailureReason(), "") << "a success clears the reason";
}

TEST_F(Win32SerialTest, AClosedHandleNoLongerReads) {
  openConfigured("COM5");
  EXPECT_TRUE(devices.close(handle));
  std::uint8_t buffer[4];
  EXPECT_EQ(devices.read(handle, buffer, 4), -1);
  EXPECT_FALSE(devices.close(handle));
  handle = kInvalidCommHandle;
}

// The line's far end closes and its name goes (a USB adapter pulled out),
// then a new line takes the name: reads fail meanwhile, and the first read
// half a second later opens the device again with the settings it had.
TEST_F(Win32SerialTest, ADeviceThatGoesAwayIsOpenedAgainWhenItIsBack) {
  openConfigured("COM5");
  ASSERT_TRUE(line.send(10, 10, 0));
  EXPECT_EQ(readUntil(10), LineControl::pattern(10));
  ASSERT_TRUE(line.request("hangup"));
  std::uint8_t buffer[256];
  int result = 0;
  for (int i = 0; i < 50 && result == 0; ++i) {
    result = devices.read(handle, buffer, 256);
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_EQ(result, -1);
  EXPECT_FALSE(devices.devicePresent(handle));
  ASSERT_TRUE(line.request("restore"));
  ASSERT_TRUE(line.send(20, 20, 0));
  std::this_thread::sleep_for(600ms);
  EXPECT_EQ(readUntil(20), LineControl::pattern(20));
  EXPECT_TRUE(devices.devicePresent(handle));
}

// The DCB a port has, read through a handle of its own, as another program
// would see it before and after the monitor.
struct PortAsOthersSeeIt {
  explicit PortAsOthersSeeIt(const char* path)
      : handle(CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0,
                           nullptr)) {}
  ~PortAsOthersSeeIt() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  DCB state() const {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    EXPECT_TRUE(GetCommState(handle, &dcb));
    return dcb;
  }
  HANDLE handle;
};

// Another program leaves the port at 9600 baud with XON/XOFF both ways: the
// monitor captures with them off and closing gives the port back as found.
// Under Wine the read-back shows the rate and the XON/XOFF flags (termios
// IXON/IXOFF); the other flags do not reach the pseudo-terminal.
TEST_F(Win32SerialTest, SoftwareFlowControlLeftByAnotherProgramIsOffAndComesBackAtClose) {
  {
    PortAsOthersSeeIt other("COM5");
    ASSERT_NE(other.handle, INVALID_HANDLE_VALUE);
    DCB dcb = other.state();
    dcb.BaudRate = 9600;
    dcb.fInX = 1;
    dcb.fOutX = 1;
    ASSERT_TRUE(SetCommState(other.handle, &dcb));
    const DCB set = other.state();
    ASSERT_EQ(set.fInX, 1u);
    ASSERT_EQ(set.fOutX, 1u);
  }
  openConfigured("COM5");
  ASSERT_TRUE(line.send(300, 300, 0));
  EXPECT_EQ(readUntil(300), LineControl::pattern(300));
  EXPECT_TRUE(devices.close(handle));
  handle = kInvalidCommHandle;

  PortAsOthersSeeIt after("COM5");
  ASSERT_NE(after.handle, INVALID_HANDLE_VALUE);
  const DCB found = after.state();
  EXPECT_EQ(found.BaudRate, 9600u);
  EXPECT_EQ(found.fInX, 1u);
  EXPECT_EQ(found.fOutX, 1u);
}

TEST_F(Win32SerialTest, WhileCapturingNoSoftwareFlowControlIsOn) {
  {
    PortAsOthersSeeIt other("COM5");
    DCB dcb = other.state();
    dcb.fInX = 1;
    dcb.fOutX = 1;
    ASSERT_TRUE(SetCommState(other.handle, &dcb));
  }
  openConfigured("COM5");
  // Wine lets a second handle see the port while the first holds it.
  PortAsOthersSeeIt during("COM5");
  const DCB seen = during.state();
  EXPECT_EQ(seen.fInX, 0u);
  EXPECT_EQ(seen.fOutX, 0u);
}

// Connect, Disconnect, Connect with each parity: every open takes its line
// settings and captures, however the previous one left the port.
TEST_F(Win32SerialTest, EachParityConnectsAgainAfterADisconnect) {
  const std::uint8_t parities[] = {platform::kNoParity, platform::kOddParity, platform::kEvenParity,
                                   platform::kMarkParity, platform::kSpaceParity};
  for (const std::uint8_t parity : parities) {
    for (int connect = 1; connect <= 2; ++connect) {
      SCOPED_TRACE("parity " + std::to_string(parity) + ", connect " + std::to_string(connect));
      openConfigured("COM5", 115200, parity);
      ASSERT_TRUE(line.send(50, 50, 0));
      EXPECT_EQ(readUntil(50), LineControl::pattern(50));
      EXPECT_TRUE(devices.close(handle));
      handle = kInvalidCommHandle;
    }
  }
}

}  // namespace
