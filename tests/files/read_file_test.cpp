#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/files/capture_file_fixture.h"
#include "tests/support/failing_system_files.h"

namespace {

class ReadFileTest : public CaptureFileTest {
 protected:
  // A store that is not at its start: records, a moved caret, a later page.
  void captureSomething() {
    appendRecords(40);
    monitorState.caretRow = 7;
    monitorState.caretCol = 12;
    monitorState.topRow = 3;
    monitorState.newData = 1;
  }
  void expectViewingFromTheStart() const {
    EXPECT_EQ(monitorState.caretRow, 0);
    EXPECT_EQ(monitorState.caretCol, 0);
    EXPECT_EQ(monitorState.topRow, 0);
    EXPECT_EQ(monitorState.pollSeq, 0);
    EXPECT_EQ(monitorState.lastChunkLen, 0);
    EXPECT_EQ(monitorState.newData, 0);
    EXPECT_EQ(monitorState.connected, 0);
    EXPECT_EQ(monitorState.redrawPending, 1);
    EXPECT_EQ(monitorState.timerId, 1u);
    EXPECT_EQ(pollPeriod(), 10u) << "the viewing period, not the polling period";
  }
  void expectNoMessage() const {
    for (const auto& box : ws.messageBoxes()) ADD_FAILURE() << "message: " << box.text;
  }
};

TEST_F(ReadFileTest, AFileSavedFromNRecordsReadsBackAsTheSameNRecords) {
  start();
  captureSomething();
  const std::int32_t saved = monitorState.recordCount;
  const Bytes records = storeBytes();
  const std::string path = folder.file("n.kvn");
  saveTo(path);
  command(ID_RESTART_CAPTURE);  // an empty store in between
  ASSERT_EQ(monitorState.recordCount, 0);

  readFrom(path);
  EXPECT_EQ(monitorState.recordCount, saved);
  EXPECT_EQ(storeBytes(), records);
  for (std::int32_t i = 0; i < saved; ++i) {
    ASSERT_EQ(RecordIndex[i].complete, 1) << i;
  }
  EXPECT_EQ(RecordIndex[saved].complete, 0);
  expectViewingFromTheStart();
  expectNoMessage();
  EXPECT_EQ(monitorState.memSizeMB, 2) << "nothing is reallocated";
}

TEST_F(ReadFileTest, TwoSavedImagesReadBackAsOneRunOfTwiceTheRecords) {
  start();
  captureSomething();
  const std::int32_t saved = monitorState.recordCount;
  const Bytes records = storeBytes();
  const std::string path = folder.file("twice.kvn");
  saveTo(path);
  saveTo(path);
  readFrom(path);
  EXPECT_EQ(monitorState.recordCount, 2 * saved);
  Bytes twice = records;
  twice.insert(twice.end(), records.begin(), records.end());
  EXPECT_EQ(storeBytes(), twice);
  EXPECT_EQ(RecordIndex[saved].record, monitorState.bufferStart + records.size())
      << "the second run starts right after the first";
}

TEST_F(ReadFileTest, TheFirstTickShowsTheFileFromItsFirstRecordWithoutPolling) {
  start();
  readFrom(folder.write("one.kvn", recordBytes(2, "000042: ", {'h', 'i'})));
  ws.clearDrawing();
  ws.advance(10);
  EXPECT_EQ(monitorState.redrawPending, 0);
  EXPECT_GT(ws.drawCount(), 0);
  EXPECT_TRUE(ws.caret().visible());
  EXPECT_EQ(ws.caret().y, 0) << "the caret on the first row";
  ws.advance(100);
  EXPECT_EQ(monitorState.pollSeq, 0) << "ticks while not connected only serve the flags";
  EXPECT_EQ(monitorState.recordCount, 1);
}

TEST_F(ReadFileTest, AMissingFileIsReportedAndChangesNothingAtAll) {
  start();
  command(ID_CONNECT);
  comm.queueBytes("COM3", Bytes(40, 0x31));
  ws.advance(kPollTimeMs);
  ASSERT_EQ(monitorState.recordCount, 3);
  const MonitorState before = monitorState;
  const Bytes records = storeBytes();

  readFrom(folder.file("missing.kvn"));
  ASSERT_EQ(ws.messageBoxes().size(), 1u);
  EXPECT_EQ(ws.messageBoxes()[0].text, "Can not Open file");
  EXPECT_EQ(ws.messageBoxes()[0].caption, "Error");
  EXPECT_EQ(ws.messageBoxes()[0].style, MB_OK);
  EXPECT_EQ(ws.messageBoxes()[0].owner, view().GetSafeHwnd());
  EXPECT_TRUE(sameState(monitorState, before));
  EXPECT_EQ(storeBytes(), records) << "the capture is not lost";
  EXPECT_EQ(comm.device("COM3")->closes, 0);
  EXPECT_EQ(pollPeriod(), kPollTimeMs) << "the timer runs as it did";
  comm.queueBytes("COM3", {0x32});
  ws.advance(kPollTimeMs);
  EXPECT_EQ(monitorState.recordCount, 4) << "and the capture goes on";
}

TEST_F(ReadFileTest, AFolderIsNoCaptureFile) {
  start();
  appendRecords(4);
  const MonitorState before = monitorState;
  readFrom(folder.path());
  ASSERT_EQ(ws.messageBoxes().size(), 1u);
  EXPECT_EQ(ws.messageBoxes()[0].text, "Can not Open file");
  EXPECT_TRUE(sameState(monitorState, before));
}

TEST_F(ReadFileTest, AFileThatMayOnlyBeReadLoads) {
  start();
  const Bytes content = fullRecords(3);
  const std::string path = folder.write("readonly.kvn", content);
  ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  readFrom(path);
  expectNoMessage();
  EXPECT_EQ(monitorState.recordCount, 3);
  EXPECT_EQ(storeBytes(), content);

  // Permissions do not stop the superuser; a running program's file refuses
  // every writer, the superuser too, and must load all the same.
  if (systemHas(kRunningProgramFile)) {
    readFrom(kRunningProgramFile);
    expectNoMessage();
    EXPECT_GE(monitorState.recordCount, 1);
    expectViewingFromTheStart();
  }
}

TEST_F(ReadFileTest, AFileOfOneZeroByteAndAnEmptyFileGiveAnEmptyStore) {
  start();
  for (const Bytes& content : {Bytes{0}, Bytes{}}) {
    appendRecords(6);
    readFrom(folder.write("nothing.kvn", content));
    EXPECT_EQ(monitorState.recordCount, 0);
    EXPECT_EQ(monitorState.writePos, monitorState.bufferStart);
    EXPECT_EQ(RecordIndex[0].complete, 0);
    EXPECT_EQ(monitorState.bufferStart[0], 0) << "the earlier records are gone";
    expectViewingFromTheStart();
  }
  expectNoMessage();
}

TEST_F(ReadFileTest, AFileLargerThanTheBufferLoadsTheRecordsThatFit) {
  start();
  constexpr int kFitting = 2 * 1024 * 1024 / 26;  // 80659 full records in 2 MiB
  readFrom(folder.write("large.kvn", fullRecords(kFitting + 5000)));
  EXPECT_EQ(monitorState.recordCount, kFitting);
  EXPECT_EQ(monitorState.writePos, monitorState.bufferStart + kFitting * 26);
  expectNoMessage();
}

TEST_F(ReadFileTest, ALengthByteOf128OrMoreEndsTheRecordsBeforeIt) {
  start();
  for (std::uint8_t foreign : {std::uint8_t{128}, std::uint8_t{255}}) {
    Bytes file = fullRecords(3);
    file.push_back(foreign);
    file.insert(file.end(), 300, 0x05);
    const Bytes more = fullRecords(4);
    file.insert(file.end(), more.begin(), more.end());
    readFrom(folder.write("foreign.kvn", file));
    EXPECT_EQ(monitorState.recordCount, 3) << int{foreign};
    EXPECT_EQ(monitorState.writePos, monitorState.bufferStart + 78);
  }
  expectNoMessage();
}

TEST_F(ReadFileTest, AFailedReadLoadsWhatCameBeforeAndSaysSo) {
  SKIP_UNLESS_SYSTEM_HAS(kUnreadableOpenFile);
  start();
  appendRecords(4);
  readFrom(kUnreadableOpenFile);  // opens, but no byte of it can be read
  ASSERT_EQ(ws.messageBoxes().size(), 1u);
  EXPECT_EQ(ws.messageBoxes()[0].text, "Can not Read file");
  EXPECT_EQ(ws.messageBoxes()[0].caption, "Error");
  EXPECT_EQ(monitorState.recordCount, 0);
  expectViewingFromTheStart();
}

TEST_F(ReadFileTest, ReadingWhileConnectedClosesThePortsAndConnectOpensThemAgain) {
  start();
  const std::string path = folder.write("other.kvn", fullRecords(2));
  command(ID_CONNECT);
  comm.queueBytes("COM4", {1, 2, 3});
  ws.advance(kPollTimeMs);
  ASSERT_EQ(monitorState.connected, 1);

  readFrom(path);
  EXPECT_EQ(comm.device("COM3")->closes, 1);
  EXPECT_EQ(comm.device("COM4")->closes, 1);
  EXPECT_EQ(comm.device("COM3")->handle, platform::kInvalidCommHandle);
  EXPECT_EQ(monitorState.recordCount, 2);
  expectViewingFromTheStart();
  comm.queueBytes("COM3", {9, 9});
  ws.advance(100);
  EXPECT_EQ(monitorState.recordCount, 2) << "the closed ports are not read";

  command(ID_CONNECT);
  EXPECT_EQ(monitorState.connected, 1);
  EXPECT_EQ(comm.device("COM3")->opens, 2);
  EXPECT_EQ(comm.device("COM4")->opens, 2);
  EXPECT_EQ(monitorState.recordCount, 0) << "a new, empty capture";
  EXPECT_EQ(pollPeriod(), kPollTimeMs);
  expectNoMessage();
}

TEST_F(ReadFileTest, CancellingChangesNothingConnectedOrNot) {
  start();
  appendRecords(5);
  cancelDialogs();
  MonitorState before = monitorState;
  command(ID_READ_FILE);
  EXPECT_TRUE(sameState(monitorState, before));

  command(ID_CONNECT);
  before = monitorState;
  command(ID_READ_FILE);
  EXPECT_TRUE(sameState(monitorState, before));
  EXPECT_EQ(comm.device("COM3")->closes, 0);
  EXPECT_EQ(pollPeriod(), kPollTimeMs);
}

}  // namespace
