// Which backend a port name goes to, and what a user is told about a
// ports-folder entry that does not name a line.
#include "platform/network/port_router.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

namespace {

namespace fs = std::filesystem;
using platform::CommHandle;
using platform::kInvalidCommHandle;
using platform::network::PortRouter;

// Remembers what it was asked to open and answers reads with its own mark.
class RecordingBackend final : public platform::CommBackend {
 public:
  RecordingBackend(CommHandle firstHandle, std::uint8_t mark) : next_(firstHandle), mark_(mark) {}
  std::vector<std::string> opened;
  std::vector<CommHandle> closed;
  bool refuse = false;
  bool refuseLine = false;

  CommHandle open(const std::string& path) override {
    opened.push_back(path);
    return refuse ? kInvalidCommHandle : next_++;
  }
  bool setQueues(CommHandle, std::uint32_t, std::uint32_t) override { return true; }
  bool purge(CommHandle) override { return true; }
  bool setReadsReturnAtOnce(CommHandle) override { return true; }
  std::optional<platform::LineState> lineState(CommHandle) override { return std::nullopt; }
  bool setLineState(CommHandle, const platform::LineState&) override { return !refuseLine; }
  int read(CommHandle, std::uint8_t* buffer, int) override {
    buffer[0] = mark_;
    return 1;
  }
  bool close(CommHandle handle) override {
    closed.push_back(handle);
    return true;
  }
  std::string lastFailureReason() const override {
    return refuse ? "why not" : refuseLine ? "refused line" : "";
  }
  std::string deviceDescription(CommHandle) const override { return "/dev/ttyS2"; }
  platform::LineErrorCounts lineErrors(CommHandle) override { return {mark_, {}, {}, {}, {}}; }
  std::optional<std::uint64_t> damagedBytes(CommHandle) override { return mark_ + 1u; }
  bool devicePresent(CommHandle) const override { return mark_ == 'S'; }

 private:
  CommHandle next_;
  std::uint8_t mark_;
};

class PortRouterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/korvane-router-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
    router = std::make_unique<PortRouter>(serial, remote, folder.string());
  }
  void TearDown() override { fs::remove_all(folder); }
  void entry(const std::string& name, const std::string& content) {
    std::ofstream(folder / name) << content;
  }

  fs::path folder;
  RecordingBackend serial{3, 'S'};
  RecordingBackend remote{1 << 24, 'R'};
  std::unique_ptr<PortRouter> router;
};

TEST_F(PortRouterTest, NamesGoToTheirBackend) {
  entry("lab1", "  rfc2217://127.0.0.1:4001 \r\nnotes after the first line\n");
  entry("rack2", "tcp://[::1]:7000");
  fs::create_symlink("/dev/ttyUSB0", folder / "ftdi1");
  struct Case {
    const char* name;
    const char* remoteOpened;  // nullptr: the serial backend's
    const char* shown;
  };
  const Case cases[] = {
      {"lab1", "rfc2217://127.0.0.1:4001", "rfc2217://127.0.0.1:4001"},
      {"//./lab1", "rfc2217://127.0.0.1:4001", "rfc2217://127.0.0.1:4001"},
      {"rack2", "tcp://[::1]:7000", "tcp://[::1]:7000"},
      {"//./rfc2217://10.0.0.5:4002", "rfc2217://10.0.0.5:4002", ""},
      {"tcp://ts:1", "tcp://ts:1", ""},
      {"COM3", nullptr, "/dev/ttyS2"},
      {"//./ftdi1", nullptr, "/dev/ttyS2"},
      {"pts/3", nullptr, "/dev/ttyS2"},
  };
  for (const Case& c : cases) {
    serial.opened.clear();
    remote.opened.clear();
    const CommHandle handle = router->open(c.name);
    ASSERT_NE(handle, kInvalidCommHandle) << c.name;
    std::uint8_t byte = 0;
    ASSERT_EQ(router->read(handle, &byte, 1), 1);
    if (c.remoteOpened != nullptr) {
      EXPECT_EQ(remote.opened, std::vector<std::string>{c.remoteOpened}) << c.name;
      EXPECT_TRUE(serial.opened.empty()) << c.name;
      EXPECT_EQ(byte, 'R') << c.name;
    } else {
      EXPECT_EQ(serial.opened, std::vector<std::string>{c.name}) << "passed on as given";
      EXPECT_EQ(byte, 'S') << c.name;
    }
    EXPECT_EQ(router->deviceDescription(handle), c.shown) << c.name;
    EXPECT_EQ(router->lineErrors(handle).parity, byte) << c.name;
    EXPECT_EQ(router->damagedBytes(handle), byte + 1u) << c.name;
    EXPECT_EQ(router->devicePresent(handle), byte == 'S') << c.name;
    EXPECT_TRUE(router->close(handle));
    EXPECT_FALSE(router->close(handle)) << "closed once";
  }
  EXPECT_EQ(serial.closed.size(), 3u);
  EXPECT_EQ(remote.closed.size(), 5u);
}

TEST_F(PortRouterTest, AnEntryThatNamesNoLineIsRefusedWithWhatToDo) {
  entry("notes", "hello\n");
  entry("empty", "");
  fs::create_symlink("rfc2217://127.0.0.1:4001", folder / "lab1");
  const std::string folderText = folder.string();
  struct Case {
    const char* name;
    std::string reason;
  };
  const Case cases[] = {
      {"notes", "notes: " + folderText +
                    "/notes holds \"hello\", which is not the address of a "
                    "remote line; write it as rfc2217://HOST:PORT or tcp://HOST:PORT"},
      {"empty", "empty: " + folderText +
                    "/empty holds \"\", which is not the address of a "
                    "remote line; write it as rfc2217://HOST:PORT or tcp://HOST:PORT"},
      {"lab1", "lab1: " + folderText +
                   "/lab1 is a symbolic link to \"rfc2217://127.0.0.1:4001\"; "
                   "a remote line is named by a text file holding its address: remove the link, "
                   "then write the address into a file of that name"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(router->open(c.name), kInvalidCommHandle) << c.name;
    EXPECT_EQ(router->lastFailureReason(), c.reason);
  }
  EXPECT_TRUE(serial.opened.empty());
  EXPECT_TRUE(remote.opened.empty());
}

TEST_F(PortRouterTest, ARemoteLinesFailureNamesThePortsFolderName) {
  entry("lab1", "tcp://127.0.0.1:9");
  remote.refuse = true;
  EXPECT_EQ(router->open("lab1"), kInvalidCommHandle);
  EXPECT_EQ(router->lastFailureReason(), "lab1 -> why not");
  EXPECT_EQ(router->open("tcp://127.0.0.1:9"), kInvalidCommHandle);
  EXPECT_EQ(router->lastFailureReason(), "why not");

  remote.refuse = false;
  remote.refuseLine = true;
  const CommHandle named = router->open("lab1");
  EXPECT_FALSE(router->setLineState(named, {}));
  EXPECT_EQ(router->lastFailureReason(), "lab1 -> refused line");
  const CommHandle direct = router->open("tcp://127.0.0.1:9");
  EXPECT_FALSE(router->setLineState(direct, {}));
  EXPECT_EQ(router->lastFailureReason(), "refused line");
}

}  // namespace
