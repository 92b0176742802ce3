#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "capture/capture_files.h"
#include "platform/process/raw_file.h"
#include "tests/files/capture_file_fixture.h"
#include "tests/support/failing_system_files.h"

namespace {

using SaveFileTest = CaptureFileTest;

TEST_F(SaveFileTest, AnEmptyStoreCreatesAnEmptyFile) {
  start();
  const std::string path = folder.file("empty.kvn");
  saveTo(path);
  ASSERT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
  EXPECT_TRUE(ws.messageBoxes().empty());
  EXPECT_EQ(monitorState.redrawPending, 1);
}

TEST_F(SaveFileTest, SavingAppendsTheRecordsByteForByteAndKeepsWhatTheFileHeld) {
  start();
  appendRecords(12);
  const Bytes records = storeBytes();
  ASSERT_FALSE(records.empty());
  const std::string path = folder.write("old.kvn", recordBytes(2, "000003: ", {0xFF, 0x0A}));

  saveTo(path);
  saveTo(path);
  Bytes expected = recordBytes(2, "000003: ", {0xFF, 0x0A});
  expected.insert(expected.end(), records.begin(), records.end());
  expected.insert(expected.end(), records.begin(), records.end());
  EXPECT_EQ(FileFolder::read(path), expected) << "raw bytes, no translation, appended";
  EXPECT_EQ(storeBytes(), records) << "the store is untouched";
  EXPECT_TRUE(ws.messageBoxes().empty());
}

TEST_F(SaveFileTest, AFileThatCannotBeOpenedIsReportedAndTheRedrawStillComes) {
  start();
  appendRecords(3);
  monitorState.redrawPending = 0;
  const MonitorState before = monitorState;
  saveTo(folder.path());  // a folder is no file to append to
  ASSERT_EQ(ws.messageBoxes().size(), 1u);
  EXPECT_EQ(ws.messageBoxes()[0].text, "Can not Open ");
  EXPECT_EQ(ws.messageBoxes()[0].caption, "Error");
  EXPECT_EQ(ws.messageBoxes()[0].style, MB_OK);
  EXPECT_EQ(ws.messageBoxes()[0].owner, view().GetSafeHwnd());
  EXPECT_EQ(monitorState.redrawPending, 1);
  MonitorState expected = before;
  expected.redrawPending = 1;
  EXPECT_TRUE(sameState(monitorState, expected));
}

#if !defined(_WIN32)
// A recorder writing into the file holds its writer's lock: Save File
// would mix the window's records into its stream, so it is refused, naming
// the writer, and the file keeps what it held.
TEST_F(SaveFileTest, AFileARecorderIsWritingIsRefusedNamingIt) {
  start();
  appendRecords(3);
  const Bytes held = recordBytes(2, "000003: ", {0x41, 0x42});
  const std::string path = folder.write("night.kvn", held);
  int release[2];
  int ready[2];
  ASSERT_EQ(pipe(release), 0);
  ASSERT_EQ(pipe(ready), 0);
  const pid_t writer = fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    ::close(release[1]);
    ::close(ready[0]);
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND);
    const char locked = fd >= 0 && platform::process::lockForWriting(fd) ? 1 : 0;
    char ignored = 0;
    if (write(ready[1], &locked, 1) != 1 || read(release[0], &ignored, 1) < 0) _exit(1);
    _exit(0);
  }
  ::close(release[0]);
  ::close(ready[1]);
  char locked = 0;
  ASSERT_EQ(read(ready[0], &locked, 1), 1);
  ASSERT_EQ(locked, 1);

  const CaptureSaveOutcome outcome = saveCaptureToFile(path);
  ::close(release[1]);
  ::close(ready[0]);
  waitpid(writer, nullptr, 0);
  EXPECT_EQ(outcome.result, CaptureSaveResult::OpenFailed);
  EXPECT_NE(outcome.systemError.find("in use by " + std::to_string(writer) + " ("),
            std::string::npos)
      << outcome.systemError;
  EXPECT_EQ(FileFolder::read(path), held);
  EXPECT_EQ(saveCaptureToFile(path).result, CaptureSaveResult::Saved) << "free once it ended";
}
#endif

TEST_F(SaveFileTest, AWriteThatDoesNotReachTheDiskIsReported) {
  SKIP_UNLESS_SYSTEM_HAS(kFullDevice);
  start();
  // A few records stay in the stream's buffer until the close, which fails;
  // many records fail in the write itself.
  for (int ticks : {2, 4000}) {
    allocateCaptureStore();
    appendRecords(ticks);
    const std::size_t before = ws.messageBoxes().size();
    saveTo(kFullDevice);
    ASSERT_EQ(ws.messageBoxes().size(), before + 1) << ticks;
    EXPECT_EQ(ws.messageBoxes().back().text, "Can not Write file");
    EXPECT_EQ(ws.messageBoxes().back().caption, "Error");
    EXPECT_EQ(ws.messageBoxes().back().style, MB_OK);
    EXPECT_EQ(monitorState.redrawPending, 1);
  }
}

TEST_F(SaveFileTest, FileErrorsSayWhyInTheDetailAndOnStandardError) {
  start();
  appendRecords(3);
  struct Case {
    UINT command;
    std::string path;
    const char* text;
    const char* told;  // the text as it starts the line on standard error
    const char* reason;
  };
  const Case cases[] = {
    {ID_READ_FILE, folder.file("missing.kvn"), "Can not Open file", "Can not Open file",
     "No such file or directory"},
    {ID_READ_FILE, folder.path(), "Can not Open file", "Can not Open file", "Is a directory"},
    {ID_SAVE_FILE, folder.file("none/x.kvn"), "Can not Open ", "Can not Open",
     "No such file or directory"},
#if !defined(_WIN32)
    {ID_READ_FILE, "/proc/self/mem", "Can not Read file", "Can not Read file",
     "Input/output error"},
    {ID_SAVE_FILE, folder.path(), "Can not Open ", "Can not Open", "Is a directory"},
#endif
  };
  for (const Case& c : cases) {
    ws.reset();
    choose(c.path);
    testing::internal::CaptureStderr();
    command(c.command);
    const std::string told = testing::internal::GetCapturedStderr();
    ASSERT_EQ(ws.messageBoxes().size(), 1u) << c.path;
    EXPECT_EQ(ws.messageBoxes()[0].text, c.text);
    EXPECT_EQ(ws.messageBoxes()[0].caption, "Error");
    EXPECT_EQ(ws.messageBoxes()[0].style, MB_OK);
    EXPECT_EQ(ws.messageBoxes()[0].detail, c.path + ": " + c.reason);
    EXPECT_EQ(told, std::string(c.told) + ": " + c.path + ": " + c.reason + "\n");
  }
}

#if !defined(_WIN32)
// A file-size limit makes every write past it fail with "File too large",
// as a full disk would with "No space left on device".
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limited = old_;
    limited.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*oldHandler_)(int) = nullptr;
};

TEST_F(SaveFileTest, ASaveThatFailsPartWayLeavesTheFileAsItWas) {
  start();
  appendRecords(4000);
  ASSERT_GT(storeBytes().size(), 20000u);
  const Bytes old = fullRecords(40);
  const std::string existing = folder.write("old.kvn", old);
  const std::string created = folder.file("new.kvn");
  for (const std::string& path : {existing, created}) {
    ws.reset();
    {
      // Room for a few buffers' worth of records, not for all of them.
      FileSizeLimit limit(old.size() + 10000);
      saveTo(path);
    }
    ASSERT_EQ(ws.messageBoxes().size(), 1u) << path;
    EXPECT_EQ(ws.messageBoxes()[0].text, "Can not Write file");
    EXPECT_EQ(ws.messageBoxes()[0].detail, path + ": File too large");
  }
  EXPECT_EQ(FileFolder::read(existing), old) << "cut back to its old length, no broken tail";
  EXPECT_FALSE(std::filesystem::exists(created)) << "a file the save created goes again";
}

TEST_F(SaveFileTest, ASaveOntoAFullDiskLeavesTheFileAsItWas) {
  const std::string disk = folder.file("disk");
  std::filesystem::create_directory(disk);
  if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=64k") != 0) {
    GTEST_SKIP() << "no small disk to fill: mounting is not permitted here";
  }
  struct Unmount {
    std::string at;
    // Detached: the file dialog made a folder on it current.
    ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
  } unmount{disk};
  start();
  appendRecords(4000);
  const Bytes old = fullRecords(40);
  const std::string path = folder.write("disk/old.kvn", old);
  saveTo(path);
  ASSERT_EQ(ws.messageBoxes().size(), 1u);
  EXPECT_EQ(ws.messageBoxes()[0].text, "Can not Write file");
  EXPECT_EQ(ws.messageBoxes()[0].detail, path + ": No space left on device");
  EXPECT_EQ(FileFolder::read(path), old);
}

#endif  // !_WIN32

TEST_F(SaveFileTest, SavingWhileConnectedLeavesTheCaptureRunning) {
  start();
  command(ID_CONNECT);
  comm.queueBytes("COM3", {'a', 'b', 'c', 'd'});
  ws.advance(kPollTimeMs);
  ASSERT_EQ(monitorState.recordCount, 1);
  const std::string path = folder.file("running.kvn");
  saveTo(path);
  EXPECT_EQ(FileFolder::read(path), storeBytes());
  EXPECT_EQ(monitorState.connected, 1);
  EXPECT_EQ(comm.device("COM3")->closes, 0);
  EXPECT_EQ(pollPeriod(), kPollTimeMs);
  comm.queueBytes("COM4", {'e'});
  ws.advance(kPollTimeMs);
  EXPECT_EQ(monitorState.recordCount, 2) << "polling goes on";
}

TEST_F(SaveFileTest, CancellingChangesNothingAndWritesNothing) {
  start();
  appendRecords(5);
  monitorState.redrawPending = 0;
  const MonitorState before = monitorState;
  cancelDialogs();
  command(ID_SAVE_FILE);
  EXPECT_TRUE(sameState(monitorState, before));
  EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
  EXPECT_TRUE(ws.messageBoxes().empty());
}

}  // namespace
