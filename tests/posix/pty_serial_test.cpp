#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>

#include "platform/posix/config_paths.h"
#include "platform/posix/device_holders.h"
#include "platform/posix/line_speed.h"
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

  // Bytes without 0xFF, which the line discipline hands over doubled (see
  // the marks tests): each byte sent is then one byte read.
  static std::vector<std::uint8_t> pattern(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = static_cast<std::uint8_t>(i * 13 % 255);
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

// What the monitor's Connect does with a port, on the backend.
CommHandle connectLikeTheMonitor(platform::posix::SerialDevices& devices, const std::string& name) {
  const CommHandle port = devices.open(name);
  if (port == kInvalidCommHandle) return port;
  devices.setQueues(port, 1024, 1024);
  devices.purge(port);
  devices.setReadsReturnAtOnce(port);
  LineState state = devices.lineState(port).value_or(LineState{});
  state.baudRate = 115200;
  state.parityCheck = true;
  if (!devices.setLineState(port, state)) {
    devices.close(port);
    return kInvalidCommHandle;
  }
  return port;
}

// Reads what the port has until count bytes came or nothing more does, in
// reads of at most readSize; each read must keep to what it was asked for.
std::vector<std::uint8_t> readAll(platform::posix::SerialDevices& devices, CommHandle port,
                                  std::size_t count, int readSize = 256) {
  std::vector<std::uint8_t> got;
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(readSize) + 16, 0xEE);
  for (int idle = 0; got.size() < count && idle < 200;) {
    const int n = devices.read(port, buffer.data(), readSize);
    EXPECT_GE(n, 0);
    EXPECT_LE(n, readSize);
    if (n <= 0) {
      ++idle;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      continue;
    }
    EXPECT_EQ(buffer[static_cast<std::size_t>(readSize)], 0xEE) << "written past the read";
    got.insert(got.end(), buffer.begin(), buffer.begin() + n);
  }
  return got;
}

TEST_F(PtySerialTest, RawModePassesEveryByteValueUnchanged) {
  const CommHandle port = devices->open(line.portName());
  ASSERT_NE(port, kInvalidCommHandle);
  std::vector<std::uint8_t> sent(256);
  for (std::size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<std::uint8_t>(i);
  ASSERT_TRUE(line.send(sent));
  EXPECT_EQ(readAll(*devices, port, 256), sent) << "no byte translated, added or dropped";
  EXPECT_TRUE(devices->close(port));
}

// With parity marking on, the line discipline doubles every 0xFF the line
// brings; the backend gives each back once, also where the two halves fall
// into two reads, and leaves bytes that merely look like a mark alone.
TEST_F(PtySerialTest, BytesThatLookLikeMarksAndRunsOf0xFFArriveExactlyAsSent) {
  const CommHandle port = connectLikeTheMonitor(*devices, line.portName());
  ASSERT_NE(port, kInvalidCommHandle);
  termios taken{};
  ASSERT_EQ(tcgetattr(line.masterFd(), &taken), 0);
  ASSERT_EQ(taken.c_iflag & (INPCK | PARMRK), static_cast<tcflag_t>(INPCK | PARMRK));

  // A full read stays full when marks came out of it: a short one means the
  // queue is empty, and the poll cycle stops reading the port for the tick.
  const std::vector<std::uint8_t> doubledOnTheWay(300, 0xFF);
  ASSERT_TRUE(line.send(doubledOnTheWay));
  ASSERT_TRUE(waitQueued(static_cast<int>(port), 600));
  std::uint8_t full[256];
  EXPECT_EQ(devices->read(port, full, 256), 256);
  EXPECT_EQ(readAll(*devices, port, 44).size(), 44u);

  std::vector<std::uint8_t> sent;
  // A 0xFF as the 256th byte: its double is the first byte of the next read.
  sent.insert(sent.end(), 255, 'a');
  sent.push_back(0xFF);
  sent.insert(sent.end(), {0xFF, 0x00, 0x41, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00});
  for (int run = 1; run <= 9; ++run) {
    sent.insert(sent.end(), static_cast<std::size_t>(run), 0xFF);
    sent.push_back(static_cast<std::uint8_t>(run));
  }
  for (int value = 0; value < 256; ++value) sent.push_back(static_cast<std::uint8_t>(value));
  sent.insert(sent.end(), 600, 0xFF);
  ASSERT_TRUE(line.send(sent));
  for (int readSize : {256, 255, 7}) {
    SCOPED_TRACE(readSize);
    if (readSize != 256) {
      ASSERT_TRUE(line.send(sent));
    }
    EXPECT_EQ(readAll(*devices, port, sent.size(), readSize), sent);
  }
  EXPECT_EQ(devices->damagedBytes(port), 0u) << "a pseudo-terminal marks no byte damaged";
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
  EXPECT_NE(devices->lastFailureReason().find("in use by this program itself (pid " +
                                              std::to_string(getpid()) + ")"),
            std::string::npos)
      << devices->lastFailureReason();
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

TEST_F(PtySerialTest, TypedRatesAreSetInBothDirectionsAndReadBack) {
  const CommHandle port = devices->open(line.portName());
  ASSERT_NE(port, kInvalidCommHandle);
  const int fd = static_cast<int>(port);
  // Rates with and without a B-constant, in an order where each one follows
  // a rate of the other kind: an input rate left by the one before must not
  // stay in force.
  for (std::uint32_t rate : {250000u, 921600u, 3686400u, 3000000u, 50u, 1843200u, 4000000u, 115200u,
                             2000000u, 460800u, 76800u}) {
    LineState state = devices->lineState(port).value();
    state.baudRate = rate;
    ASSERT_TRUE(devices->setLineState(port, state)) << rate;
    EXPECT_EQ(devices->lineState(port)->baudRate, rate);
    const auto speeds = platform::posix::lineSpeeds(fd);
    ASSERT_TRUE(speeds.has_value());
    EXPECT_EQ(speeds->input, rate) << "the input rate follows";
    EXPECT_EQ(speeds->output, rate);
  }
  EXPECT_TRUE(devices->close(port));
}

TEST(LineSpeedCheck, ARateTakenWithinTwoPercentCountsAsTakenAndOneFurtherOffDoesNot) {
  struct Case {
    std::uint32_t asked;
    std::uint32_t taken;
    bool counts;
  };
  const Case cases[] = {
      {3000000, 3000000, true},  {3000000, 3060000, true},  {3000000, 2940000, true},
      {3000000, 3060001, false}, {3000000, 2939999, false}, {250000, 230400, false},
      {921600, 923076, true},    {4000000, 4000000, true},  {50, 51, true},
      {50, 52, false},           {4000000, 0, false},       {4000000, 4294967295u, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(platform::rateTaken(c.asked, c.taken), c.counts)
        << c.asked << " asked, " << c.taken << " taken";
  }
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
  EXPECT_TRUE(devices->devicePresent(port));
  line.closeLine();
  std::uint8_t buffer[256];
  EXPECT_EQ(devices->read(port, buffer, 256), -1);
  EXPECT_FALSE(devices->devicePresent(port));
  EXPECT_TRUE(devices->close(port)) << "a device that went away still closes";
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

TEST_F(PtySerialTest, AVanishedDeviceIsFoundAgainThroughItsLinkWithTheSameHandleAndSettings) {
  auto now = std::chrono::steady_clock::now();
  platform::posix::SerialDevices clocked(platform::posix::portsFolder(), [&now] { return now; });
  PtyLine replacement;
  ASSERT_TRUE(replacement.ok());
  linkPort("LAB1", line.slavePath());
  const CommHandle port = clocked.open("LAB1");
  ASSERT_NE(port, kInvalidCommHandle) << clocked.lastFailureReason();
  ASSERT_TRUE(clocked.setReadsReturnAtOnce(port));
  LineState state = clocked.lineState(port).value();
  state.baudRate = 128000;
  state.parityCheck = true;
  ASSERT_TRUE(clocked.setLineState(port, state));
  EXPECT_EQ(clocked.deviceDescription(port), line.slavePath());

  std::uint8_t buffer[256];
  const auto first = pattern(100);
  ASSERT_TRUE(line.send(first));
  ASSERT_TRUE(waitQueued(static_cast<int>(port), 100));
  ASSERT_EQ(clocked.read(port, buffer, 256), 100);
  EXPECT_TRUE(std::equal(buffer, buffer + 100, first.begin()));

  // The adapter is pulled out, and comes back as another device.
  line.closeLine();
  EXPECT_EQ(clocked.read(port, buffer, 256), -1);
  EXPECT_FALSE(clocked.devicePresent(port));
  std::filesystem::remove(platform::posix::portsFolder() + "/LAB1");
  linkPort("LAB1", replacement.slavePath());
  now += std::chrono::milliseconds(400);
  EXPECT_EQ(clocked.read(port, buffer, 256), -1) << "not looked for again before 500 ms";
  EXPECT_FALSE(clocked.devicePresent(port));
  now += std::chrono::milliseconds(101);
  EXPECT_EQ(clocked.read(port, buffer, 256), 0) << "reopened, nothing received yet";
  EXPECT_TRUE(clocked.devicePresent(port));
  EXPECT_EQ(clocked.deviceDescription(port), replacement.slavePath());
  EXPECT_EQ(clocked.lineState(port), state) << "opened again with the same line state";

  const auto second = pattern(256);
  ASSERT_TRUE(replacement.send(second));
  ASSERT_TRUE(waitQueued(static_cast<int>(port), 256)) << "the handle is the same descriptor";
  ASSERT_EQ(clocked.read(port, buffer, 256), 256);
  EXPECT_TRUE(std::equal(buffer, buffer + 256, second.begin()));
  EXPECT_TRUE(clocked.close(port));
  const CommHandle again = clocked.open(replacement.portName());
  EXPECT_NE(again, kInvalidCommHandle) << "released at close";
  EXPECT_TRUE(clocked.close(again));
}

TEST_F(PtySerialTest, AFailedOpenSaysWhyAndASuccessfulOneClearsIt) {
  writeWholeFile(folder / "plain", "not a device");
  linkPort("FILE", folder / "plain");
  linkPort("NULLDEV", "/dev/null");
  const std::string ports = platform::posix::portsFolder();
  struct Case {
    std::string name;
    int error;
    std::string says;
  };
  const Case cases[] = {
      {"ttyNOSUCH", ENOENT, "ttyNOSUCH -> /dev/ttyNOSUCH: no such device"},
      {"COM77", ENOENT, "COM77 -> /dev/ttyS76 (COMn rule): no such device"},
      {"FILE", ENOTTY,
       "FILE -> " + (folder / "plain") + " (link in " + ports + "): the path is not a serial"},
      {"NULLDEV", ENOTTY, "NULLDEV -> /dev/null (link in " + ports + "): the path is not a serial"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(devices->open(c.name), kInvalidCommHandle) << c.name;
    EXPECT_EQ(devices->lastOpenError(), c.error) << c.name;
    EXPECT_NE(devices->lastFailureReason().find(c.says), std::string::npos)
        << devices->lastFailureReason();
  }
  const CommHandle port = devices->open(line.portName());
  ASSERT_NE(port, kInvalidCommHandle);
  EXPECT_EQ(devices->lastFailureReason(), "");
  EXPECT_EQ(devices->deviceDescription(port), line.slavePath());
  EXPECT_EQ(devices->lineErrors(port), platform::LineErrorCounts{})
      << "a pseudo-terminal counts no line errors: unknown, not zero";
  EXPECT_TRUE(devices->close(port));
}

// Another process that holds a device open, with or without a lock on it,
// until it goes out of scope.
class HoldingProcess {
 public:
  HoldingProcess(const std::string& path, bool lock) {
    int ready[2];
    int done[2];
    if (pipe(ready) != 0 || pipe(done) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      ::close(done[1]);
      const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
      const char holding = fd >= 0 && (!lock || flock(fd, LOCK_EX | LOCK_NB) == 0) ? 1 : 0;
      if (write(ready[1], &holding, 1) != 1) _exit(1);
      char ignored = 0;
      if (read(done[0], &ignored, 1) < 0) _exit(1);  // until the test lets go
      _exit(0);
    }
    ::close(ready[1]);
    ::close(done[0]);
    release_ = done[1];
    char holding = 0;
    holding_ = pid_ > 0 && read(ready[0], &holding, 1) == 1 && holding == 1;
    ::close(ready[0]);
  }
  ~HoldingProcess() {
    if (release_ >= 0) ::close(release_);
    if (pid_ > 0) waitpid(pid_, nullptr, 0);
  }
  HoldingProcess(const HoldingProcess&) = delete;
  HoldingProcess& operator=(const HoldingProcess&) = delete;

  bool holding() const { return holding_; }
  long pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int release_ = -1;
  bool holding_ = false;
};

TEST_F(PtySerialTest, ABusyPortNamesTheProcessThatHoldsIt) {
  const HoldingProcess holder(line.slavePath(), true);
  ASSERT_TRUE(holder.holding());
  EXPECT_EQ(devices->open(line.portName()), kInvalidCommHandle);
  const std::string reason = devices->lastFailureReason();
  EXPECT_NE(reason.find(line.portName() + " -> " + line.slavePath() + ": the device is in use by "),
            std::string::npos)
      << reason;
  EXPECT_NE(reason.find("in use by " + std::to_string(holder.pid()) + " (posix_tests)"),
            std::string::npos)
      << reason;
  EXPECT_NE(reason.find("Close that program"), std::string::npos) << reason;
}

TEST_F(PtySerialTest, APortAPlainReaderOpenedFirstIsRefusedNamingItAndLeftAlone) {
  auto holder = std::make_unique<HoldingProcess>(line.slavePath(), false);
  ASSERT_TRUE(holder->holding());
  const int master = line.masterFd();
  termios before{};
  ASSERT_EQ(tcgetattr(master, &before), 0);
  EXPECT_EQ(devices->open(line.portName()), kInvalidCommHandle)
      << "it would take bytes away from the capture";
  EXPECT_EQ(devices->lastOpenError(), EBUSY);
  const std::string reason = devices->lastFailureReason();
  EXPECT_NE(reason.find("in use by " + std::to_string(holder->pid()) + " (posix_tests)"),
            std::string::npos)
      << reason;
  termios after{};
  ASSERT_EQ(tcgetattr(master, &after), 0);
  EXPECT_EQ(std::memcmp(&before, &after, sizeof before), 0) << "the settings were not touched";
  EXPECT_EQ(exclusiveFlag(), 0) << "nor the exclusive flag";

  holder.reset();
  const CommHandle port = devices->open(line.portName());
  EXPECT_NE(port, kInvalidCommHandle) << "free again once the reader is gone";
  EXPECT_TRUE(devices->close(port));
}

TEST_F(PtySerialTest, AProcessThatHoldsTheDeviceWithoutALockIsFoundByItsDescriptors) {
  const HoldingProcess holder(line.slavePath(), false);
  ASSERT_TRUE(holder.holding());
  linkPort("LAB1", line.slavePath());
  // Under any of its names, as the device it is.
  for (const std::string& path : {line.slavePath(), platform::posix::portsFolder() + "/LAB1"}) {
    const auto holders = platform::posix::findDeviceHolders(path);
    EXPECT_EQ(std::count(holders.begin(), holders.end(),
                         platform::posix::DeviceHolder{holder.pid(), "posix_tests"}),
              1)
        << path;
  }
}

TEST_F(PtySerialTest, APortIsLeftAsItWasFound) {
  struct Case {
    const char* what;
    std::uint32_t rate;
  };
  for (const Case& c :
       {Case{"9600, line editing and echo", 9600}, Case{"a rate without a B-constant", 14400}}) {
    const int fd = ::open(line.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    termios found{};
    ASSERT_EQ(tcgetattr(fd, &found), 0);
    found.c_lflag |= ICANON | ECHO;
    found.c_iflag |= ICRNL | INPCK;
    found.c_cc[VMIN] = 4;
    cfsetspeed(&found, B9600);
    ASSERT_EQ(tcsetattr(fd, TCSANOW, &found), 0);
    if (c.rate != 9600) {
      ASSERT_TRUE(platform::posix::setLineSpeed(fd, c.rate));
    }
    const auto speeds = platform::posix::lineSpeeds(fd);
    ASSERT_EQ(tcgetattr(fd, &found), 0);
    ::close(fd);

    const CommHandle port = devices->open(line.portName());
    ASSERT_NE(port, kInvalidCommHandle);
    LineState state = devices->lineState(port).value();
    state.baudRate = 256000;
    ASSERT_TRUE(devices->setLineState(port, state));
    ASSERT_TRUE(devices->close(port));

    const int after = ::open(line.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(after, 0);
    termios left{};
    ASSERT_EQ(tcgetattr(after, &left), 0);
    EXPECT_EQ(platform::posix::lineSpeeds(after), speeds) << c.what;
    ::close(after);
    EXPECT_EQ(left.c_iflag, found.c_iflag) << c.what;
    EXPECT_EQ(left.c_oflag, found.c_oflag) << c.what;
    EXPECT_EQ(left.c_cflag, found.c_cflag) << c.what;
    EXPECT_EQ(left.c_lflag, found.c_lflag) << c.what;
    EXPECT_EQ(std::memcmp(left.c_cc, found.c_cc, VEOL2 + 1), 0) << c.what;
  }
}

TEST_F(PtySerialTest, SettingsAnotherProgramLeftNeitherAlterNorSendAnything) {
  const int master = line.masterFd();
  termios left{};
  ASSERT_EQ(tcgetattr(master, &left), 0);
  left.c_iflag |= IXON | IXOFF | IXANY | IUCLC | IMAXBEL | IUTF8 | ISTRIP | INLCR | IGNCR | ICRNL |
                  IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK;
  left.c_lflag |= ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOKE | ICANON | ISIG | IEXTEN;
  left.c_oflag |= OPOST | ONLCR | OLCUC | OCRNL;
  left.c_cflag |= CRTSCTS | HUPCL;
  ASSERT_EQ(tcsetattr(master, TCSANOW, &left), 0);

  const CommHandle port = connectLikeTheMonitor(*devices, line.portName());
  ASSERT_NE(port, kInvalidCommHandle) << devices->lastFailureReason();
  termios taken{};
  ASSERT_EQ(tcgetattr(master, &taken), 0);
  EXPECT_EQ(taken.c_iflag, static_cast<tcflag_t>(INPCK | PARMRK)) << std::oct << taken.c_iflag;
  EXPECT_EQ(taken.c_lflag, 0u) << std::oct << taken.c_lflag;
  EXPECT_EQ(taken.c_oflag, 0u) << std::oct << taken.c_oflag;
  EXPECT_EQ(taken.c_cflag & (CRTSCTS | HUPCL), CRTSCTS | HUPCL) << "modem-line settings kept";

  // Two seconds of every byte value, control and flow-control bytes among
  // them, with the port's queue let fill up between reads: every byte comes
  // through unchanged and nothing at all comes back down the line.
  ASSERT_EQ(fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK), 0);
  std::vector<std::uint8_t> sent;
  std::vector<std::uint8_t> received;
  std::size_t sentBytes = 0;
  std::size_t backDownTheLine = 0;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (std::chrono::steady_clock::now() < end) {
    for (int i = 0; i < 64; ++i) sent.push_back(static_cast<std::uint8_t>(sent.size() * 7 + 3));
    while (sentBytes < sent.size()) {
      const ssize_t n = write(master, sent.data() + sentBytes, sent.size() - sentBytes);
      if (n <= 0) break;
      sentBytes += static_cast<std::size_t>(n);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::uint8_t buffer[256];
    int got = 0;
    while ((got = devices->read(port, buffer, 256)) > 0)
      received.insert(received.end(), buffer, buffer + got);
    ASSERT_GE(got, 0);
    std::uint8_t back[256];
    ssize_t echoed = 0;
    while ((echoed = ::read(master, back, sizeof back)) > 0)
      backDownTheLine += static_cast<std::size_t>(echoed);
  }
  ASSERT_TRUE(waitQueued(static_cast<int>(port), static_cast<int>(sentBytes - received.size())));
  std::uint8_t buffer[256];
  int got = 0;
  while ((got = devices->read(port, buffer, 256)) > 0)
    received.insert(received.end(), buffer, buffer + got);
  sent.resize(sentBytes);
  EXPECT_GT(sentBytes, 10000u);
  EXPECT_TRUE(received == sent) << received.size() << " of " << sent.size() << " bytes";
  EXPECT_EQ(backDownTheLine, 0u) << "bytes sent on the line";
  EXPECT_TRUE(devices->close(port));
}

}  // namespace
