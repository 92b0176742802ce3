// Remote lines against a real ser2net serving a pseudo-terminal: the
// settings reach the port at the server, every byte arrives as it was
// sent, a server that goes away and comes back is a device lost and found,
// and a server that is not there is told with the system's reason.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

#include "platform/network/remote_lines.h"
#include "tests/network/ser2net_server.h"

namespace {

using namespace network_test;
using platform::CommHandle;
using platform::kInvalidCommHandle;
using platform::LineState;
using platform::network::RemoteLines;
using Clock = std::chrono::steady_clock;

LineState lineOf(std::uint32_t rate, std::uint8_t parity, std::uint8_t stopBits) {
  LineState state;
  state.baudRate = rate;
  state.byteSize = 8;
  state.parity = parity;
  state.stopBits = stopBits;
  return state;
}

class RemoteLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(line.ok()) << "no pseudo-terminals here";
    char pattern[] = "/tmp/korvane-remote-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
  }
  void TearDown() override {
    lines.reset();
    server.reset();
    fs::remove_all(folder);
  }

  void serve(Ser2netServer::Kind kind) {
    server = std::make_unique<Ser2netServer>(line.slavePath(), kind, folder);
    ASSERT_TRUE(server->start()) << "ser2net did not start (scripts/install-deps.sh installs it)";
  }
  std::string address(const char* scheme) const {
    return std::string(scheme) + "://127.0.0.1:" + std::to_string(server->port());
  }

  // Reads as the poll cycle does, every 10 ms, until count bytes came or
  // the time is up (at least once).
  std::vector<std::uint8_t> readBytes(CommHandle handle, std::size_t count,
                                      std::chrono::seconds patience = std::chrono::seconds(10)) {
    std::vector<std::uint8_t> got;
    const auto end = Clock::now() + patience;
    do {
      std::uint8_t buffer[256];
      int n = 0;
      while ((n = lines->read(handle, buffer, sizeof buffer)) > 0) {
        got.insert(got.end(), buffer, buffer + n);
      }
      if (got.size() >= count) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (Clock::now() < end);
    return got;
  }

  PtyMaster line;
  fs::path folder;
  std::unique_ptr<Ser2netServer> server;
  std::unique_ptr<RemoteLines> lines = std::make_unique<RemoteLines>();
};

TEST_F(RemoteLineTest, TheSettingsReachThePortAtTheServerAndEveryByteComesThrough) {
  serve(Ser2netServer::Kind::kComPort);
  struct Case {
    LineState asked;
    speed_t speed;
    bool twoStopBits;
  };
  // A pseudo-terminal keeps 8 data bits and no parity whatever it is told:
  // for those, the server's answer (checked by setLineState) is the check.
  const Case cases[] = {
      {lineOf(57600, platform::kEvenParity, platform::kTwoStopBits), B57600, true},
      {lineOf(19200, platform::kOddParity, platform::kOneStopBit), B19200, false},
      {lineOf(115200, platform::kNoParity, platform::kOneStopBit), B115200, false},
  };
  const auto bytes = everyByteValueWithRunsOf0xFF(20000);
  for (const Case& c : cases) {
    const CommHandle handle = lines->open(address("rfc2217"));
    ASSERT_NE(handle, kInvalidCommHandle) << lines->lastFailureReason();
    ASSERT_TRUE(lines->setLineState(handle, c.asked)) << lines->lastFailureReason();
    const termios set = line.settings();
    EXPECT_EQ(cfgetospeed(&set), c.speed) << c.asked.baudRate;
    EXPECT_EQ((set.c_cflag & CSTOPB) != 0, c.twoStopBits) << c.asked.baudRate;
    ASSERT_TRUE(line.send(bytes));
    EXPECT_EQ(readBytes(handle, bytes.size()), bytes) << c.asked.baudRate;
    const platform::LineErrorCounts errors = lines->lineErrors(handle);
    EXPECT_EQ(errors.framing, 0u) << "known, and none told";
    EXPECT_TRUE(lines->close(handle));
  }
}

TEST_F(RemoteLineTest, ARawLinePassesEveryByteUntouched) {
  serve(Ser2netServer::Kind::kRaw);
  const CommHandle handle = lines->open(address("tcp"));
  ASSERT_NE(handle, kInvalidCommHandle) << lines->lastFailureReason();
  ASSERT_TRUE(
      lines->setLineState(handle, lineOf(57600, platform::kEvenParity, platform::kTwoStopBits)));
  // A raw server opens its port when a client connects, with no answer to
  // wait for: marks go down the line until one comes through.
  std::vector<std::uint8_t> marks;
  for (int attempt = 0; attempt < 100 && marks.empty(); ++attempt) {
    ASSERT_TRUE(line.send({'S'}));
    marks = readBytes(handle, 1, std::chrono::seconds(0));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ASSERT_FALSE(marks.empty()) << "the server never opened its port";
  // Telnet's own bytes mean nothing on a raw line.
  std::vector<std::uint8_t> bytes = {0xFF, 0xFB, 0x2C, 0xFF, 0xFA, 0x2C, 0x01, 0xFF, 0xF0, '\r', 0};
  const auto more = everyByteValueWithRunsOf0xFF(20000);
  bytes.insert(bytes.end(), more.begin(), more.end());
  ASSERT_TRUE(line.send(bytes));
  std::vector<std::uint8_t> got = readBytes(handle, bytes.size());
  while (!got.empty() && got.front() == 'S') got.erase(got.begin());  // marks still on the way
  if (got.size() < bytes.size()) {
    const auto rest = readBytes(handle, bytes.size() - got.size());
    got.insert(got.end(), rest.begin(), rest.end());
  }
  EXPECT_EQ(got, bytes);
  EXPECT_FALSE(lines->lineErrors(handle).framing.has_value()) << "a raw line tells of no errors";
}

TEST_F(RemoteLineTest, AServerStoppedAndStartedAgainIsADeviceLostAndFound) {
  serve(Ser2netServer::Kind::kComPort);
  const CommHandle handle = lines->open(address("rfc2217"));
  ASSERT_NE(handle, kInvalidCommHandle) << lines->lastFailureReason();
  ASSERT_TRUE(
      lines->setLineState(handle, lineOf(57600, platform::kEvenParity, platform::kTwoStopBits)));
  const auto before = everyByteValueWithRunsOf0xFF(5000);
  ASSERT_TRUE(line.send(before));
  EXPECT_EQ(readBytes(handle, before.size()), before);

  server->stop();
  std::uint8_t buffer[256];
  const auto end = Clock::now() + std::chrono::seconds(2);
  bool lost = false;
  while (Clock::now() < end) {
    const int n = lines->read(handle, buffer, sizeof buffer);
    lost = lost || (n == -1 && !lines->devicePresent(handle));
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(lost) << "reads fail while the server is away";

  ASSERT_TRUE(server->start());
  for (int poll = 0; poll < 2000 && !lines->devicePresent(handle); ++poll) {
    lines->read(handle, buffer, sizeof buffer);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_TRUE(lines->devicePresent(handle)) << "back within 20 s";
  const termios set = line.settings();
  EXPECT_EQ(cfgetospeed(&set), B57600) << "set again on the new connection";
  EXPECT_NE(set.c_cflag & CSTOPB, 0u);
  const auto after = everyByteValueWithRunsOf0xFF(3000);
  ASSERT_TRUE(line.send(after));
  EXPECT_EQ(readBytes(handle, after.size()), after);
}

TEST_F(RemoteLineTest, AComPortAddressOfARawServerSaysWhatToDo) {
  serve(Ser2netServer::Kind::kRaw);
  lines = std::make_unique<RemoteLines>(
      RemoteLines::Timeouts{std::chrono::milliseconds(2000), std::chrono::milliseconds(1000)});
  const CommHandle handle = lines->open(address("rfc2217"));
  ASSERT_NE(handle, kInvalidCommHandle);
  EXPECT_FALSE(
      lines->setLineState(handle, lineOf(9600, platform::kNoParity, platform::kOneStopBit)));
  EXPECT_EQ(lines->lastFailureReason(),
            address("rfc2217") +
                ": the server did not answer the line settings within 1 s; check "
                "that it serves RFC 2217 on that port, or name the line tcp://127.0.0.1:" +
                std::to_string(server->port()) + " when its settings are made at the server");
}

TEST_F(RemoteLineTest, AServerThatIsNotThereIsToldWithTheSystemsReason) {
  const std::uint16_t unused = freeLocalPort();
  const std::string unusedAddress = "rfc2217://127.0.0.1:" + std::to_string(unused);
  EXPECT_EQ(lines->open(unusedAddress), kInvalidCommHandle);
  EXPECT_EQ(lines->lastFailureReason(),
            unusedAddress + ": cannot connect to 127.0.0.1 port " + std::to_string(unused) +
                ": Connection refused (error 111); check that the server runs on that machine "
                "and serves that port");

  // A label of 64 letters is no host name: the lookup fails on this machine
  // at once, without asking a name server.
  const std::string host = std::string(64, 'a') + ".invalid";
  EXPECT_EQ(lines->open("tcp://" + host + ":4000"), kInvalidCommHandle);
  const std::string reason = lines->lastFailureReason();
  EXPECT_EQ(reason.rfind("tcp://" + host + ":4000: cannot find the host " + host + ": ", 0), 0u)
      << reason;
  EXPECT_TRUE(reason.ends_with("; check the host's name")) << reason;

  EXPECT_EQ(lines->open("//./tcp://127.0.0.1"), kInvalidCommHandle);
  EXPECT_EQ(lines->lastFailureReason(),
            "\"tcp://127.0.0.1\" is not the address of a remote line; write it as "
            "rfc2217://HOST:PORT or tcp://HOST:PORT");
}

}  // namespace
