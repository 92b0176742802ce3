// The Win32 serial backend on a pseudo-terminal of the Linux side, which the
// Wine prefix names COM5 and COM10 (see with_pty_line.sh). Wine does not
// enforce exclusive opens, so a second open of a held port is not tested
// here; the POSIX backend's tests cover that rule.
#include "platform/win32/serial_device.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "tests/win32/line_control.h"

namespace {

using platform::CommHandle;
using platform::kInvalidCommHandle;
using Bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

// Holds every reopen of the fixture's devices while held, as an open that
// blocks would. Shared with the reopen's worker, which may outlive a test.
class ReopenGate {
 public:
  void hold() { set(true); }
  void release() { set(false); }
  void passThrough() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !held_; });
  }

 private:
  void set(bool held) {
    {
      const std::lock_guard lock(mutex_);
      held_ = held;
    }
    changed_.notify_all();
  }
  std::mutex mutex_;
  std::condition_variable changed_;
  bool held_ = false;
};

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

  std::shared_ptr<ReopenGate> reopenGate = std::make_shared<ReopenGate>();
  platform::win32::SerialDevices devices{
      {.beforeReopen = [gate = reopenGate] { gate->passThrough(); }}};
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

  const platform::LineErrorCounts zero{0, 0, 0, 0, 0, true};
  EXPECT_EQ(devices.lineErrors(handle), zero)
      << "every count is known, none happened, and any would be a lower bound";
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
// then a new line takes the name: reads fail meanwhile, and half a second
// later the device is opened again with the settings it had.
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
  // A read after the half second starts the reopen beside it; a later read
  // takes the device back and reads on.
  Bytes received;
  for (int i = 0; i < 200 && received.size() < 20; ++i) {
    const int got = devices.read(handle, buffer, 256);
    if (got > 0) received.insert(received.end(), buffer, buffer + got);
    std::this_thread::sleep_for(10ms);
  }
  EXPECT_TRUE(devices.devicePresent(handle));
  EXPECT_EQ(received, LineControl::pattern(20));
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

// An open that blocks (a Bluetooth port's can, for seconds) runs beside the
// reads: while the reopen is held, every read fails at once instead of
// waiting for it. Were a read to wait, the gate would never be released.
TEST_F(Win32SerialTest, AReopenThatBlocksNeverHoldsUpAReadAndIsTakenWhenItEnds) {
  openConfigured("COM5");
  reopenGate->hold();
  ASSERT_TRUE(line.request("hangup"));
  std::uint8_t buffer[256];
  for (int i = 0; i < 50 && devices.devicePresent(handle); ++i) {
    devices.read(handle, buffer, 256);
    std::this_thread::sleep_for(10ms);
  }
  ASSERT_FALSE(devices.devicePresent(handle));
  ASSERT_TRUE(line.request("restore"));
  // Past the half second after which a reopen starts, then on through it.
  for (int i = 0; i < 100; ++i) {
    EXPECT_EQ(devices.read(handle, buffer, 256), -1);
    EXPECT_FALSE(devices.devicePresent(handle));
    std::this_thread::sleep_for(10ms);
  }
  reopenGate->release();
  for (int i = 0; i < 200 && !devices.devicePresent(handle); ++i) {
    EXPECT_LE(devices.read(handle, buffer, 256), 0) << "nothing was sent yet";
    std::this_thread::sleep_for(10ms);
  }
  ASSERT_TRUE(devices.devicePresent(handle));
  ASSERT_TRUE(line.send(20, 20, 0));
  EXPECT_EQ(readUntil(20), LineControl::pattern(20));
}

// A port closed while its reopen is held: the close does not wait for the
// worker (the gate is released only after it), and the worker that opens
// the device afterwards lets it go; the port opens again as usual.
TEST_F(Win32SerialTest, APortClosedDuringItsReopenDoesNotWaitForIt) {
  openConfigured("COM5");
  reopenGate->hold();
  ASSERT_TRUE(line.request("hangup"));
  std::uint8_t buffer[256];
  for (int i = 0; i < 100; ++i) {
    devices.read(handle, buffer, 256);
    std::this_thread::sleep_for(10ms);
  }
  ASSERT_TRUE(line.request("restore"));
  EXPECT_TRUE(devices.close(handle));
  handle = kInvalidCommHandle;
  reopenGate->release();
  openConfigured("COM5", 57600);
  ASSERT_TRUE(line.send(20, 20, 0));
  EXPECT_EQ(readUntil(20), LineControl::pattern(20));
}

}  // namespace
