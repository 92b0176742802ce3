// Runs the simulator program and reads its lines the way any serial program would: through
// the links in a ports folder, with plain POSIX calls.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tools/line_simulator/crc32.h"
#include "tools/line_simulator/patterns.h"
#include "tools/line_simulator/report.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

class Simulator {
 public:
  explicit Simulator(std::vector<std::string> args) {
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    args.insert(args.begin(), LINESIM_EXECUTABLE);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    EXPECT_EQ(posix_spawn(&pid_, LINESIM_EXECUTABLE, &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    out_ = fds[0];
  }
  ~Simulator() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    close(out_);
  }

  void signal(int sig) { kill(pid_, sig); }

  // Waits for the program to end; returns its exit status and everything it printed.
  int finish(std::string& output) {
    char buffer[4096];
    ssize_t n;
    while ((n = read(out_, buffer, sizeof buffer)) > 0)
      output.append(buffer, static_cast<std::size_t>(n));
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
};

class SimulatorRun : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/linesim-run-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  bool waitForLinks(const std::vector<std::string>& names) {
    const auto deadline = Clock::now() + 5s;
    for (const std::string& name : names) {
      while (!fs::is_symlink(fs::symlink_status(dir_ / name))) {
        if (Clock::now() > deadline) return false;
        std::this_thread::sleep_for(5ms);
      }
    }
    return true;
  }

  int openPort(const std::string& name) {
    const int fd = open((dir_ / name).c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    EXPECT_GE(fd, 0) << name;
    termios t{};
    tcgetattr(fd, &t);
    cfmakeraw(&t);
    tcsetattr(fd, TCSANOW, &t);
    tcflush(fd, TCIOFLUSH);
    return fd;
  }

  // Reads `want` bytes from each port, a port only from `startAfter` on; gives up after 10 s.
  std::vector<Bytes> readPorts(const std::vector<int>& fds, std::size_t want,
                               const std::vector<std::chrono::milliseconds>& startAfter) {
    std::vector<Bytes> got(fds.size());
    const auto start = Clock::now();
    while (Clock::now() - start < 10s) {
      bool done = true;
      for (std::size_t i = 0; i < fds.size(); ++i) {
        if (got[i].size() >= want) continue;
        done = false;
        if (Clock::now() - start < startAfter[i]) continue;
        std::uint8_t buffer[256];
        const ssize_t n = read(fds[i], buffer, sizeof buffer);
        if (n > 0) got[i].insert(got[i].end(), buffer, buffer + n);
      }
      if (done) break;
      std::this_thread::sleep_for(2ms);
    }
    return got;
  }

  size_t entries() const {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(dir_), fs::directory_iterator()));
  }

  fs::path dir_;
};

TEST_F(SimulatorRun, TwoLinesAtFullRateArriveWholeAndInOrderEvenWhenAReaderFallsBehind) {
  const std::size_t bytes = 30000;  // more than a pseudo-terminal queues
  Simulator sim({"--ports-dir", dir_.string(), "--lines", "COM3,COM4", "--baud", "256000",
                 "--pattern", "counter", "--bytes", std::to_string(bytes), "--wait-for-open",
                 "--quiet"});
  ASSERT_TRUE(waitForLinks({"COM3", "COM4"}));
  const std::vector<int> fds{openPort("COM3"), openPort("COM4")};
  const auto got = readPorts(fds, bytes, {0ms, 1200ms});  // COM4's reader stalls at first

  std::string output;
  EXPECT_EQ(sim.finish(output), 0);
  const auto reports = linesim::parseSentLines(output);
  ASSERT_EQ(reports.size(), 2u) << output;
  for (std::size_t i = 0; i < 2; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(reports[i].name, i == 0 ? "COM3" : "COM4");
    EXPECT_EQ(reports[i].baud, 256000u);
    EXPECT_EQ(reports[i].bytes, bytes);
    EXPECT_EQ(got[i].size(), bytes);
    EXPECT_EQ(reports[i].crc32, linesim::crc32Of(got[i]));
    EXPECT_EQ(got[i], linesim::expectedStream(linesim::Pattern::counter, 1, i, bytes));
  }
  EXPECT_EQ(reports[0].stalls, 0u);
  EXPECT_GE(reports[1].stalls, 1u);
  for (int fd : fds) close(fd);
  EXPECT_EQ(entries(), 0u);
}

TEST_F(SimulatorRun, ALineAtThreeMegabaudBringsItsRateWholeAndInOrder) {
  Simulator sim({"--ports-dir", dir_.string(), "--name", "A=COM3", "--baud", "3000000", "--pattern",
                 "counter", "--seconds", "1", "--wait-for-open", "--quiet"});
  ASSERT_TRUE(waitForLinks({"COM3"}));
  const int fd = openPort("COM3");
  // Everything queued is taken every 10 ms, as the monitor's poll does.
  Bytes got;
  Clock::time_point first{};
  Clock::time_point last{};
  const auto start = Clock::now();
  while (Clock::now() - start < 10s) {
    std::uint8_t buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0) {
      if (got.empty()) first = Clock::now();
      last = Clock::now();
      got.insert(got.end(), buffer, buffer + n);
    }
    if (!got.empty() && Clock::now() - last > 300ms) break;
    std::this_thread::sleep_for(10ms);
  }
  close(fd);
  std::string output;
  EXPECT_EQ(sim.finish(output), 0);
  const auto reports = linesim::parseSentLines(output);
  ASSERT_EQ(reports.size(), 1u) << output;
  EXPECT_EQ(reports[0].baud, 3000000u);
  // One second at 3,000,000 baud and 10 bits a byte, give or take the slice the time
  // limit falls in. A loaded test machine can hold this reader off long enough
  // to fill the line; the line then waits, which the report counts as stalls.
  if (reports[0].stalls == 0) {
    EXPECT_GE(reports[0].bytes, 297'000u);
  }
  EXPECT_LE(reports[0].bytes, 303'000u);
  ASSERT_EQ(got.size(), reports[0].bytes);
  EXPECT_EQ(got, linesim::expectedStream(linesim::Pattern::counter, 1, 0, got.size()));
  const double seconds = std::chrono::duration<double>(last - first).count();
  EXPECT_GT(seconds, 0.9) << "paced over the second, not sent at once";
}

TEST_F(SimulatorRun, SeededRandomAndProtocolTrafficCanBeRegenerated) {
  const std::pair<const char*, std::size_t> runs[] = {{"random", 3000}, {"protocol", 300}};
  for (const auto& [pattern, bytes] : runs) {
    SCOPED_TRACE(pattern);
    Simulator sim({"--ports-dir", dir_.string(), "--name", "A=COM3", "--name", "B=COM4", "--baud",
                   "256000", "--pattern", pattern, "--seed", "77", "--bytes", std::to_string(bytes),
                   "--pause-ms", "2", "--wait-for-open", "--quiet"});
    ASSERT_TRUE(waitForLinks({"COM3", "COM4"}));
    const std::vector<int> fds{openPort("COM3"), openPort("COM4")};
    // Replies are longer than requests, so the reply line reaches the limit first and the
    // pair goes on with requests alone until the request line reaches it too.
    const auto got = readPorts(fds, bytes, {0ms, 0ms});
    std::string output;
    EXPECT_EQ(sim.finish(output), 0);
    const auto reports = linesim::parseSentLines(output);
    ASSERT_EQ(reports.size(), 2u) << output;
    for (std::size_t i = 0; i < 2; ++i) {
      EXPECT_EQ(std::string(linesim::patternName(reports[i].pattern)), pattern);
      EXPECT_EQ(reports[i].seed, 77u);
      ASSERT_EQ(got[i].size(), reports[i].bytes);
      EXPECT_EQ(reports[i].crc32, linesim::crc32Of(got[i]));
      EXPECT_FALSE(linesim::firstMismatch(reports[i].pattern, 77, i, got[i]).has_value());
    }
    EXPECT_EQ(reports[0].bytes, bytes);
    EXPECT_EQ(reports[1].bytes, bytes);
    for (int fd : fds) close(fd);
    EXPECT_EQ(entries(), 0u);
  }
}

TEST_F(SimulatorRun, AStopSignalEndsAnEndlessRunWithItsReportAndNoLinksLeft) {
  Simulator sim({"--ports-dir", dir_.string(), "--baud", "9600", "--quiet"});
  ASSERT_TRUE(waitForLinks({"COM3", "COM4"}));
  std::this_thread::sleep_for(100ms);
  sim.signal(SIGTERM);
  std::string output;
  EXPECT_EQ(sim.finish(output), 0);
  const auto reports = linesim::parseSentLines(output);
  ASSERT_EQ(reports.size(), 2u) << output;
  EXPECT_GT(reports[0].bytes, 0u);
  EXPECT_NE(output.find("open line=A name=COM3 path=/dev/pts/"), std::string::npos);
  EXPECT_EQ(entries(), 0u);
}

TEST_F(SimulatorRun, ANameHeldByAFileStopsTheRunAndLeavesNothingBehind) {
  std::ofstream(dir_ / "COM4") << "not a port";
  Simulator sim({"--ports-dir", dir_.string(), "--seconds", "5", "--quiet"});
  std::string output;
  EXPECT_EQ(sim.finish(output), 1);
  EXPECT_TRUE(linesim::parseSentLines(output).empty());
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir_ / "COM3")));
  EXPECT_TRUE(fs::is_regular_file(dir_ / "COM4"));
  EXPECT_EQ(entries(), 1u);
}

}  // namespace
