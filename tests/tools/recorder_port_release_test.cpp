// korvane-record and the ports it holds: whatever way it ends, a port it
// opened is left with the settings it had and free for any user.
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/posix/pty_line.h"
#include "tests/tools/child_process.h"

namespace {

namespace fs = std::filesystem;

class RecorderPorts : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/recorder-ports-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    ASSERT_TRUE(line_.ok());
  }
  void TearDown() override { fs::remove_all(dir_); }

  tool_test::ChildOutcome record(const std::vector<std::string>& args) {
    return tool_test::runChild(RECORD_EXECUTABLE, args, dir_,
                               {"XDG_CONFIG_HOME=" + dir_.string(),
                                "KORVANE_REGISTRY=" + (dir_ / "registry.reg").string()});
  }

  fs::path dir_;
  PtyLine line_;
};

// Opens the port as an unprivileged user would, in a child that gives up
// root first (root passes the exclusive flag): 0 when the open and an
// exclusive lock succeed, else the errno of what failed.
int openAsAnotherUser(const std::string& device) {
  if (geteuid() == 0 && chmod(device.c_str(), 0666) != 0) return errno;
  const pid_t child = fork();
  if (child < 0) return errno;
  if (child == 0) {
    if (geteuid() == 0) {
      const passwd* nobody = getpwnam("nobody");
      const uid_t uid = nobody != nullptr ? nobody->pw_uid : 65534;
      const gid_t gid = nobody != nullptr ? nobody->pw_gid : 65534;
      if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0) _exit(errno);
    }
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) _exit(errno);
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) _exit(errno);
    _exit(0);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

TEST_F(RecorderPorts, PortAIsGivenBackAsFoundWhenPortBCannotBeOpened) {
  const int master = line_.masterFd();
  termios found{};
  ASSERT_EQ(tcgetattr(master, &found), 0);
  found.c_lflag |= ICANON | ECHO;
  found.c_iflag |= ICRNL | IXON;
  found.c_cc[VMIN] = 4;
  cfsetspeed(&found, B9600);
  ASSERT_EQ(tcsetattr(master, TCSANOW, &found), 0);
  ASSERT_EQ(tcgetattr(master, &found), 0);

  const auto result = record({"--port-a", line_.portName(), "--port-b", "nosuchB", "capture.kvn"});
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("Can not Open PORT B"), std::string::npos) << result.err;
  EXPECT_FALSE(fs::exists(dir_ / "capture.kvn"));

  termios left{};
  ASSERT_EQ(tcgetattr(master, &left), 0);
  EXPECT_EQ(left.c_iflag, found.c_iflag);
  EXPECT_EQ(left.c_oflag, found.c_oflag);
  EXPECT_EQ(left.c_cflag, found.c_cflag);
  EXPECT_EQ(left.c_lflag, found.c_lflag);
  EXPECT_EQ(cfgetispeed(&left), cfgetispeed(&found));
  EXPECT_EQ(std::memcmp(left.c_cc, found.c_cc, sizeof left.c_cc), 0);
  EXPECT_EQ(openAsAnotherUser(line_.slavePath()), 0) << "the port is still held";
}

// A plain reader that opened the port before the recorder (no lock, no
// exclusive flag) would take bytes away from the capture: the recorder
// refuses the port and names the reader.
TEST_F(RecorderPorts, APortAnotherReaderHoldsIsRefusedNamingIt) {
  int release[2];
  ASSERT_EQ(pipe(release), 0);
  const pid_t reader = fork();
  ASSERT_GE(reader, 0);
  if (reader == 0) {
    ::close(release[1]);
    const int fd = ::open(line_.slavePath().c_str(), O_RDONLY | O_NOCTTY);
    char ignored = 0;
    if (fd < 0 || read(release[0], &ignored, 1) < 0) _exit(1);
    _exit(0);
  }
  ::close(release[0]);
  // The reader has the port open once /proc shows it.
  bool open = false;
  for (int i = 0; i < 200 && !open; ++i) {
    for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(reader) + "/fd")) {
      std::error_code error;
      open = open || fs::read_symlink(entry.path(), error) == line_.slavePath();
    }
    if (!open) usleep(10000);
  }
  ASSERT_TRUE(open);

  const auto result = record({"--port-a", line_.portName(), "--port-b", "off", "capture.kvn"});
  ::close(release[1]);
  waitpid(reader, nullptr, 0);
  EXPECT_EQ(result.status, 1);
  EXPECT_NE(result.err.find("Can not Open PORT A"), std::string::npos) << result.err;
  EXPECT_NE(result.err.find("in use by " + std::to_string(reader) + " ("), std::string::npos)
      << result.err;
  EXPECT_FALSE(fs::exists(dir_ / "capture.kvn"));
}

// One writer per capture file: while a recorder captures into a file, a
// second recorder is refused it, with --append or without, and named.
TEST_F(RecorderPorts, ARunningRecordersFileRefusesASecondRecorderNamingTheFirst) {
  PtyLine otherLine;
  ASSERT_TRUE(otherLine.ok());
  tool_test::ChildProcess first(
      RECORD_EXECUTABLE, {"--port-a", line_.portName(), "--port-b", "off", "capture.kvn"}, dir_,
      {"XDG_CONFIG_HOME=" + dir_.string(), "KORVANE_REGISTRY=" + (dir_ / "registry.reg").string()});
  for (int i = 0; i < 500 && !fs::exists(dir_ / "capture.kvn"); ++i) usleep(10000);
  ASSERT_TRUE(fs::exists(dir_ / "capture.kvn"));
  ASSERT_TRUE(line_.send(std::vector<std::uint8_t>(100, 'a')));
  usleep(300000);

  const std::string named = "in use by " + std::to_string(first.pid()) + " (korvane-record)";
  for (const bool append : {true, false}) {
    SCOPED_TRACE(append);
    std::vector<std::string> args{"--port-a", otherLine.portName(), "--port-b", "off"};
    if (append) args.push_back("--append");
    args.push_back("capture.kvn");
    const auto second = record(args);
    EXPECT_EQ(second.status, 1);
    EXPECT_NE(second.err.find(named), std::string::npos) << second.err;
  }

  first.signal(SIGTERM);
  const auto ended = first.finish(20);
  EXPECT_EQ(ended.status, 0) << ended.err;
  EXPECT_EQ(fs::file_size(dir_ / "capture.kvn"), 100u + 7 * 10) << "only the first recorder wrote";
  // Once it has ended, the file takes the next writer.
  ASSERT_TRUE(otherLine.send({'b'}));
  const auto after = record({"--port-a", otherLine.portName(), "--port-b", "off", "--seconds",
                             "0.3", "--append", "capture.kvn"});
  EXPECT_EQ(after.status, 0) << after.err;
}

}  // namespace
