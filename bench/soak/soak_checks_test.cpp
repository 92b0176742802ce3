// The soak's judgement must be trustworthy: a saved capture read back record
// by record, each port compared with what its line sent, faults found where
// they are; and the automatic answers that let the monitor run unattended.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/soak/auto_answer_window_system.h"
#include "bench/soak/capture_file_walk.h"
#include "bench/soak/lateness_tally.h"
#include "bench/soak/process_usage.h"
#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "platform/comm/comm_backend.h"
#include "platform/headless/fake_comm.h"
#include "platform/headless/headless_window_system.h"
#include "platform/headless/memory_registry.h"
#include "platform/registry/registry_backend.h"
#include "res/resource.h"
#include "tools/line_simulator/patterns.h"
#include "view/korvane_view.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// One record as the store lays it out.
Bytes record(std::uint8_t tag, const char* label8, const Bytes& data) {
  Bytes bytes{static_cast<std::uint8_t>(data.size()), tag};
  bytes.insert(bytes.end(), label8, label8 + 8);
  bytes.insert(bytes.end(), data.begin(), data.end());
  return bytes;
}

Bytes join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

std::span<const std::uint8_t> label(const char* text) {
  return {reinterpret_cast<const std::uint8_t*>(text), 8};
}

TEST(CaptureFileWalk, GathersEachPortsBytesInOrderAndCountsRecords) {
  const Bytes file = join({record(1, "000001: ", {1, 2, 3}), record(2, "000001: ", {9}),
                           record(1, "000002: ", {4, 5}), record(2, "000003: ", {10, 11})});
  const auto walk = soak::walkCaptureFile(file);
  EXPECT_FALSE(walk.fault.has_value());
  EXPECT_EQ(walk.ports[0].bytes, (Bytes{1, 2, 3, 4, 5}));
  EXPECT_EQ(walk.ports[1].bytes, (Bytes{9, 10, 11}));
  EXPECT_EQ(walk.ports[0].records, 2u);
  EXPECT_EQ(walk.ports[1].records, 2u);
  EXPECT_EQ(walk.records, 4u);
  EXPECT_EQ(walk.bytesWalked, file.size());
  EXPECT_EQ(walk.firstLabel, 1);
  EXPECT_EQ(walk.lastLabel, 3);
}

TEST(CaptureFileWalk, NamesTheFirstBrokenRuleAndStopsThere) {
  const Bytes good = record(1, "000005: ", {7, 7});
  struct Case {
    const char* what;
    Bytes file;
    std::size_t faultAt = 12;  // the record after `good`
  };
  const std::vector<Case> cases{
      {"length byte outside 1 to 16", join({good, Bytes{0, 1}})},
      {"length byte outside 1 to 16", join({good, Bytes(27, 17)})},
      {"port tag neither 1 nor 2", join({good, record(3, "000005: ", {1})})},
      {"port tag neither 1 nor 2", join({good, record(0, "000005: ", {1})})},
      {"label not a poll number", join({good, record(1, "00005:  ", {1})})},
      {"label not a poll number", join({good, record(1, "000006:x", {1})})},
      {"label smaller than the one before", join({good, record(1, "000004: ", {1})})},
      {"port A record after port B within one poll",
       join({good, record(2, "000005: ", {1}), record(1, "000005: ", {2})}), 23},
      {"cut short by the end of the file", join({good, Bytes{4, 1, '0', '0'}})},
  };
  for (const auto& c : cases) {
    const auto walk = soak::walkCaptureFile(c.file);
    ASSERT_TRUE(walk.fault.has_value()) << c.what;
    EXPECT_NE(walk.fault->find(c.what), std::string::npos) << *walk.fault;
    EXPECT_NE(walk.fault->find("byte " + std::to_string(c.faultAt)), std::string::npos)
        << *walk.fault;
    EXPECT_EQ(walk.bytesWalked, c.faultAt) << c.what;
  }
}

TEST(CaptureFileWalk, ReadsLabelsAsTheStoreFormatsThem) {
  EXPECT_EQ(soak::labelNumber(label("000000: ")), 0);
  EXPECT_EQ(soak::labelNumber(label("033012: ")), 33012);
  EXPECT_EQ(soak::labelNumber(label("1234567:")), 1234567);  // seven digits push the blank out
  EXPECT_EQ(soak::labelNumber(label("12345678")), 12345678);
  EXPECT_FALSE(soak::labelNumber(label("12345: 0")).has_value());
  EXPECT_FALSE(soak::labelNumber(label(" 00001: ")).has_value());
  EXPECT_FALSE(soak::labelNumber(label("000001  ")).has_value());
}

TEST(ProcessUsage, ReadsKiBFieldsOfTheStatusText) {
  const std::string status =
      "Name:\tkorvane\nVmPeak:\t  912340 kB\nVmHWMx:\t 1 kB\nVmHWM:\t   81234 kB\n"
      "VmRSS:\t   60000 kB\nThreads:\t4\n";
  EXPECT_EQ(soak::statusFieldKiB(status, "VmHWM"), 81234u);
  EXPECT_EQ(soak::statusFieldKiB(status, "VmRSS"), 60000u);
  EXPECT_FALSE(soak::statusFieldKiB(status, "VmSwap").has_value());
  EXPECT_FALSE(soak::statusFieldKiB(status, "Threads").has_value());  // no unit
  EXPECT_FALSE(soak::statusFieldKiB(status, "Vm").has_value());
}

TEST(ProcessUsage, ThisProcessHasAPeakAndSpendsCpu) {
  const auto peak = soak::peakResidentKiB();
  ASSERT_TRUE(peak.has_value());
  EXPECT_GT(*peak, 0u);
  const double before = soak::cpuSecondsUsed();
  volatile std::uint64_t sum = 0;
  for (std::uint64_t i = 0; i < 50'000'000; ++i) sum = sum + i;
  EXPECT_GT(soak::cpuSecondsUsed(), before);
}

TEST(LatenessTally, KeepsTheWorstAndTheMeanAndCountsLongDelays) {
  soak::LatenessTally tally;
  EXPECT_EQ(tally.stats().samples, 0u);
  EXPECT_EQ(tally.stats().meanLateMs, 0);
  for (double late : {-3.0, 1.0, 2.0, 60.0, 51.0, 50.0}) tally.add(late);
  const auto stats = tally.stats();
  EXPECT_EQ(stats.samples, 6u);
  EXPECT_DOUBLE_EQ(stats.maxLateMs, 60.0);
  EXPECT_DOUBLE_EQ(stats.meanLateMs, (0 + 1 + 2 + 60 + 51 + 50) / 6.0);
  EXPECT_EQ(stats.lateOver50Ms, 2u);
}

// The monitor's view on the headless window system behind the automatic
// answers, with scripted ports COM3 and COM4 fed from the simulator's
// counter pattern.
class UnattendedCaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::system().reset();
    resetProcessState();
    platform::installWindowSystem(&prompts);
    platform::installRegistryBackend(&registry);
    platform::installCommBackend(&comm);
    comm.addDevice("COM3");
    comm.addDevice("COM4");
    storeText("MEMSIZE", "1");
    ASSERT_TRUE(view.CreateNative(platform::WindowKind::View, nullptr, {}));
    view.OnInitialUpdate();
    char pattern[] = "/tmp/korvane-soak-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
    savePath = folder / "capture.kvn";
    prompts.setSavePath(savePath.string());
  }
  void TearDown() override {
    view.DestroyWindow();
    platform::installCommBackend(nullptr);
    platform::installRegistryBackend(nullptr);
    platform::installWindowSystem(&headless::system());
    resetProcessState();
    std::error_code error;
    fs::remove_all(folder, error);
  }

  void storeText(const std::string& name, const std::string& text) {
    Bytes data(text.begin(), text.end());
    data.push_back(0);
    registry.hive.ensureKey("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Korvane")
        .setValue(name, platform::kRegSz, data);
  }
  // Queues the next `count` bytes of line `line`'s counter stream.
  void send(std::size_t line, std::size_t count) {
    const Bytes stream =
        linesim::expectedStream(linesim::Pattern::counter, 1, line, sent[line] + count);
    comm.queueBytes(line == 0 ? "COM3" : "COM4",
                    Bytes(stream.begin() + static_cast<std::ptrdiff_t>(sent[line]), stream.end()));
    sent[line] += count;
  }
  void tick() { headless::system().fireTimer(view.m_hWnd, CKORVANEView::kPollTimerId); }
  Bytes savedFile() const {
    std::ifstream file(savePath, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  }
  int fullNotices() const {
    int count = 0;
    for (const auto& prompt : prompts.log()) count += prompt.text == "Receive Buffer Full";
    return count;
  }

  soak::AutoAnswerWindowSystem prompts{headless::system()};
  headless::MemoryRegistry registry;
  headless::FakeComm comm;
  CKORVANEView view;
  fs::path folder;
  fs::path savePath;
  std::size_t sent[2] = {0, 0};
};

TEST_F(UnattendedCaptureTest, SavedCaptureMatchesWhatEachLineSent) {
  view.DispatchCommand(ID_CONNECT);
  for (int i = 0; i < 40; ++i) {
    send(0, 256 + static_cast<std::size_t>(i));  // a full read and a short one
    if (i % 3 != 0) send(1, static_cast<std::size_t>(7 * i + 1));
    tick();
  }
  view.DispatchCommand(ID_SAVE_FILE);
  ASSERT_EQ(prompts.log().size(), 1u);
  EXPECT_EQ(prompts.log()[0].kind, soak::AnsweredPrompt::Kind::SaveDialog);
  EXPECT_TRUE(headless::system().messageBoxes().empty());

  const Bytes file = savedFile();
  EXPECT_EQ(file.size(),
            static_cast<std::size_t>(monitorState.writePos - monitorState.bufferStart));
  const auto walk = soak::walkCaptureFile(file);
  ASSERT_FALSE(walk.fault.has_value()) << *walk.fault;
  EXPECT_EQ(static_cast<std::int32_t>(walk.records), monitorState.recordCount);
  EXPECT_EQ(walk.lastLabel, monitorState.pollSeq);
  for (std::size_t line = 0; line < 2; ++line) {
    EXPECT_EQ(walk.ports[line].bytes.size(), sent[line]);
    EXPECT_FALSE(
        linesim::firstMismatch(linesim::Pattern::counter, 1, line, walk.ports[line].bytes));
  }
}

TEST_F(UnattendedCaptureTest, LostDuplicatedOrSwappedBytesAreFound) {
  view.DispatchCommand(ID_CONNECT);
  send(0, 100);
  send(1, 40);
  tick();
  view.DispatchCommand(ID_SAVE_FILE);
  const Bytes file = savedFile();
  const auto portA = [](const Bytes& bytes) { return soak::walkCaptureFile(bytes).ports[0].bytes; };
  ASSERT_FALSE(linesim::firstMismatch(linesim::Pattern::counter, 1, 0, portA(file)));

  // Port A's first record holds bytes 0..15 at file offsets 10..25: the
  // big-endian words 0, 1, 2, 3.
  Bytes swapped = file;
  std::swap(swapped[13], swapped[17]);
  EXPECT_EQ(linesim::firstMismatch(linesim::Pattern::counter, 1, 0, portA(swapped)), 3u);

  Bytes duplicated = file;  // the first record twice
  duplicated.insert(duplicated.begin(), file.begin(), file.begin() + 26);
  EXPECT_FALSE(soak::walkCaptureFile(duplicated).fault.has_value());
  // Words 0 to 3 again where 4 should follow: the low byte of word 4 differs.
  EXPECT_EQ(linesim::firstMismatch(linesim::Pattern::counter, 1, 0, portA(duplicated)), 19u);

  Bytes shortened = file;  // one byte gone from the second record
  shortened[26] = static_cast<std::uint8_t>(shortened[26] - 1);
  shortened.erase(shortened.begin() + 26 + 10);
  // 00 00 00 04 became 00 00 04 ..: the third byte of word 4 differs.
  EXPECT_EQ(linesim::firstMismatch(linesim::Pattern::counter, 1, 0, portA(shortened)), 18u);
}

TEST_F(UnattendedCaptureTest, FullStoreIsAnsweredOnceAndTheCaptureBeforeItIsWhole) {
  view.DispatchCommand(ID_CONNECT);
  // A 1 MiB store takes about 40,000 records of 16 bytes: 640 KB in all.
  for (int i = 0; i < 30 && fullNotices() == 0; ++i) {
    send(0, 16 * 1024);
    send(1, 12 * 1024);
    tick();
  }
  ASSERT_EQ(fullNotices(), 1);
  EXPECT_EQ(monitorState.connected, 0);
  send(0, 1000);
  tick();
  tick();
  EXPECT_EQ(fullNotices(), 1);

  view.DispatchCommand(ID_SAVE_FILE);
  const Bytes file = savedFile();
  EXPECT_GT(file.size(), 1000u * 1000u);
  const auto walk = soak::walkCaptureFile(file);
  ASSERT_FALSE(walk.fault.has_value()) << *walk.fault;
  EXPECT_EQ(static_cast<std::int32_t>(walk.records), monitorState.recordCount);
  for (std::size_t line = 0; line < 2; ++line) {
    EXPECT_LT(walk.ports[line].bytes.size(), sent[line]);  // the rest was refused
    EXPECT_FALSE(
        linesim::firstMismatch(linesim::Pattern::counter, 1, line, walk.ports[line].bytes));
  }
}

TEST_F(UnattendedCaptureTest, OpenDialogsAndSavesWithoutAPathAreCancelled) {
  prompts.setSavePath("");
  monitorState.redrawPending = 0;
  view.DispatchCommand(ID_SAVE_FILE);
  view.DispatchCommand(ID_READ_FILE);
  ASSERT_EQ(prompts.log().size(), 2u);
  EXPECT_EQ(prompts.log()[0].kind, soak::AnsweredPrompt::Kind::SaveDialog);
  EXPECT_EQ(prompts.log()[1].kind, soak::AnsweredPrompt::Kind::OpenDialog);
  EXPECT_EQ(monitorState.redrawPending, 0);  // a cancelled dialog changes nothing
  EXPECT_FALSE(fs::exists(savePath));
  EXPECT_TRUE(headless::system().fileDialogs().empty());
}

TEST_F(UnattendedCaptureTest, AFatalEndIsReportedBeforeTheProcessWouldEnd) {
  comm.device("COM4")->refuseOpen = true;
  int reported = -1;
  prompts.onExit([&](int status) { reported = status; });
  EXPECT_THROW(view.DispatchCommand(ID_CONNECT), headless::ProcessExit);
  EXPECT_EQ(headless::system().exitStatus(), reported);
  ASSERT_FALSE(prompts.log().empty());
  EXPECT_EQ(prompts.log().back().kind, soak::AnsweredPrompt::Kind::MessageBox);
}

}  // namespace
