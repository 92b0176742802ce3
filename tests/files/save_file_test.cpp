#include <gtest/gtest.h>

#include <filesystem>

#include "tests/files/capture_file_fixture.h"
#include "tests/support/special_files.h"

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
