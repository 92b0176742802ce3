#include "tools/line_simulator/virtual_line.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "tools/line_simulator/port_link.h"
#include "tools/line_simulator/reader_gate.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

int openRaw(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return fd;
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  tcsetattr(fd, TCSANOW, &t);
  return fd;
}

TEST(VirtualLine, TellsWhetherAReaderHasOpenedAndConfiguredIt) {
  linesim::VirtualLine line;
  EXPECT_TRUE(line.slavePath().starts_with("/dev/pts/"));
  EXPECT_EQ(line.readerState(), linesim::ReaderState::absent);

  const int cooked = open(line.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(cooked, 0);
  EXPECT_EQ(line.readerState(), linesim::ReaderState::opened);
  termios t{};
  tcgetattr(cooked, &t);
  cfmakeraw(&t);
  tcsetattr(cooked, TCSANOW, &t);
  EXPECT_EQ(line.readerState(), linesim::ReaderState::configured);
  close(cooked);
  EXPECT_EQ(line.readerState(), linesim::ReaderState::absent);
}

TEST(VirtualLine, QueuesUntilFullWithoutBlockingAndCountsWhatWaits) {
  linesim::VirtualLine line;
  const int reader = openRaw(line.slavePath());
  ASSERT_GE(reader, 0);
  const std::vector<std::uint8_t> block(1024, 0x55);
  std::size_t total = 0;
  for (int i = 0; i < 100; ++i) {
    const long n = line.write(block);
    ASSERT_GE(n, 0);
    if (n == 0) break;
    total += static_cast<std::size_t>(n);
  }
  EXPECT_GT(total, 4096u);
  EXPECT_LT(total, 100u * 1024u);  // the queue filled and the write returned instead of blocking
  usleep(20000);
  // Part of a full queue is still on its way to the reader and not counted yet.
  const auto queued = line.queuedForReader();
  ASSERT_TRUE(queued.has_value());
  EXPECT_GT(*queued, 0u);
  EXPECT_LE(*queued, total);
  std::vector<std::uint8_t> sink(total);
  std::size_t got = 0;
  while (got < total) {
    const ssize_t n = read(reader, sink.data() + got, total - got);
    if (n > 0) got += static_cast<std::size_t>(n);
  }
  usleep(20000);
  EXPECT_EQ(line.write(block), 1024);  // room again once the reader has taken it all
  ASSERT_EQ(read(reader, sink.data(), 1024), 1024);
  EXPECT_EQ(line.queuedForReader(), std::optional<std::size_t>(0));
  close(reader);
}

TEST(ReaderGate, OpensAfterRawModeAndSettling) {
  using Clock = linesim::ReaderGate::Clock;
  const Clock::time_point t0{};
  linesim::ReaderGate gate;
  EXPECT_FALSE(gate.ready(linesim::ReaderState::absent, t0));
  EXPECT_FALSE(gate.ready(linesim::ReaderState::opened, t0 + 10ms));
  EXPECT_FALSE(gate.ready(linesim::ReaderState::configured, t0 + 12ms));
  EXPECT_FALSE(gate.ready(linesim::ReaderState::configured, t0 + 61ms));
  EXPECT_TRUE(gate.ready(linesim::ReaderState::configured, t0 + 62ms));

  linesim::ReaderGate cookedReader;
  EXPECT_FALSE(cookedReader.ready(linesim::ReaderState::opened, t0));
  EXPECT_FALSE(cookedReader.ready(linesim::ReaderState::opened, t0 + 999ms));
  EXPECT_TRUE(cookedReader.ready(linesim::ReaderState::opened, t0 + 1000ms));

  linesim::ReaderGate reopened;
  EXPECT_FALSE(reopened.ready(linesim::ReaderState::opened, t0));
  EXPECT_FALSE(reopened.ready(linesim::ReaderState::absent, t0 + 900ms));
  EXPECT_FALSE(reopened.ready(linesim::ReaderState::opened, t0 + 950ms));
  EXPECT_FALSE(reopened.ready(linesim::ReaderState::opened, t0 + 1100ms));  // counts from reopen
}

class PortLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/linesim-links-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    dir_ = root_ / "korvane" / "ports";
  }
  void TearDown() override { fs::remove_all(root_); }
  fs::path root_;
  fs::path dir_;
};

TEST_F(PortLinkTest, CreatesTheFolderAndLinkAndRemovesOnlyItsOwnLink) {
  {
    linesim::PortLink link(dir_, "COM3", "/dev/null", false);
    EXPECT_EQ(fs::read_symlink(dir_ / "COM3"), "/dev/null");
  }
  EXPECT_FALSE(fs::exists(fs::symlink_status(dir_ / "COM3")));

  {
    linesim::PortLink link(dir_, "COM3", "/dev/null", false);
    fs::remove(dir_ / "COM3");
    fs::create_symlink("/dev/zero", dir_ / "COM3");  // someone else took the name meanwhile
  }
  EXPECT_EQ(fs::read_symlink(dir_ / "COM3"), "/dev/zero");
}

TEST_F(PortLinkTest, TakesOverStaleLinksButNeverOtherFiles) {
  fs::create_directories(dir_);
  fs::create_symlink("/dev/pts/no-such-device", dir_ / "COM3");
  {
    linesim::PortLink link(dir_, "COM3", "/dev/null", false);
    EXPECT_EQ(fs::read_symlink(dir_ / "COM3"), "/dev/null");
  }

  fs::create_symlink("/dev/zero", dir_ / "COM4");
  EXPECT_THROW(linesim::PortLink(dir_, "COM4", "/dev/null", false), std::runtime_error);
  EXPECT_EQ(fs::read_symlink(dir_ / "COM4"), "/dev/zero");
  {
    linesim::PortLink link(dir_, "COM4", "/dev/null", true);
    EXPECT_EQ(fs::read_symlink(dir_ / "COM4"), "/dev/null");
  }

  std::ofstream(dir_ / "COM5") << "keep";
  EXPECT_THROW(linesim::PortLink(dir_, "COM5", "/dev/null", true), std::runtime_error);
  EXPECT_TRUE(fs::is_regular_file(dir_ / "COM5"));
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

}  // namespace
