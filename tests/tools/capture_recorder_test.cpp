// korvane-record run as a user runs it: on two pseudo-terminals of the line
// simulator at 256000 baud, with a small store so that a short run goes
// through many recycles, checked byte for byte against what the lines sent.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "capture/capture_files.h"
#include "capture/monitor_state.h"
#include "tests/support/fresh_store.h"
#include "tests/tools/child_process.h"
#include "tools/line_simulator/patterns.h"
#include "tools/line_simulator/report.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A capture file taken apart: each port's bytes in order, the labels as
// numbers, and how many bytes of it are whole records.
struct WalkedCapture {
  Bytes port[2];
  std::size_t portRecords[2] = {0, 0};
  std::vector<long> labels;
  std::size_t records = 0;
  std::size_t wholeBytes = 0;
  bool otherTags = false;
};

WalkedCapture walk(const Bytes& file) {
  WalkedCapture w;
  std::size_t at = 0;
  while (at < file.size()) {
    const std::size_t length = file[at];
    if (length < 1 || length > 16 || at + 10 + length > file.size()) break;
    const int tag = file[at + 1];
    if (tag == 1 || tag == 2) {
      Bytes& port = w.port[tag - 1];
      ++w.portRecords[tag - 1];
      port.insert(port.end(), file.begin() + static_cast<long>(at + 10),
                  file.begin() + static_cast<long>(at + 10 + length));
    } else {
      w.otherTags = true;
    }
    w.labels.push_back(std::stol(std::string(file.begin() + static_cast<long>(at + 2),
                                             file.begin() + static_cast<long>(at + 8))));
    ++w.records;
    at += 10 + length;
  }
  w.wholeBytes = at;
  return w;
}

class CaptureRecorder : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/capture-recorder-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    fs::create_directories(dir_ / "korvane" / "ports");
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Both lines at full rate, starting once the recorder holds the ports.
  std::unique_ptr<tool_test::ChildProcess> startLines(double seconds,
                                                      const std::string& baud = "256000") {
    return std::make_unique<tool_test::ChildProcess>(
        LINESIM_EXECUTABLE,
        std::vector<std::string>{"--ports-dir", (dir_ / "korvane" / "ports").string(), "--lines",
                                 "COM3,COM4", "--baud", baud, "--pattern", "counter", "--seconds",
                                 std::to_string(seconds), "--wait-for-open", "--replace",
                                 "--quiet"},
        dir_);
  }

  std::unique_ptr<tool_test::ChildProcess> startRecorder(std::vector<std::string> args,
                                                         std::optional<long> fileSizeLimit = {}) {
    return std::make_unique<tool_test::ChildProcess>(RECORD_EXECUTABLE, args, dir_, environment(),
                                                     fileSizeLimit);
  }
  tool_test::ChildOutcome record(const std::vector<std::string>& args) {
    return tool_test::runChild(RECORD_EXECUTABLE, args, dir_, environment());
  }

  std::vector<std::string> environment() const {
    return {"XDG_CONFIG_HOME=" + dir_.string(),
            "KORVANE_REGISTRY=" + (dir_ / "registry.reg").string()};
  }
  Bytes file(const std::string& name) const {
    return bytesOf(tool_test::readWholeFile(dir_ / name));
  }
  void writeFile(const std::string& name, const Bytes& bytes) const {
    std::ofstream(dir_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  }

  fs::path dir_;
};

TEST_F(CaptureRecorder, TakesEveryByteOfBothLinesInOrderPastManyStoreRecyclesUntilSigterm) {
  auto lines = startLines(4);
  auto recorder =
      startRecorder({"--baud", "256000", "--store-mb", "1", "--recycle-at", "32K", "capture.kvn"});
  const tool_test::ChildOutcome sent = lines->finish(30);
  ASSERT_EQ(sent.status, 0) << sent.err;
  const auto reports = linesim::parseSentLines(sent.out);
  ASSERT_EQ(reports.size(), 2u) << sent.out;
  std::this_thread::sleep_for(200ms);  // a few ticks after the lines went quiet
  recorder->signal(SIGTERM);
  const tool_test::ChildOutcome recorded = recorder->finish(20);
  ASSERT_EQ(recorded.status, 0) << recorded.err;
  EXPECT_NE(recorded.out.find("ended=signal"), std::string::npos) << recorded.out;

  // Well past the store: the recycles counted in the summary.
  const auto recyclesAt = recorded.out.find("recycles=");
  ASSERT_NE(recyclesAt, std::string::npos);
  EXPECT_GE(std::stoi(recorded.out.substr(recyclesAt + 9)), 5) << recorded.out;

  const Bytes capture = file("capture.kvn");
  const WalkedCapture w = walk(capture);
  EXPECT_EQ(w.wholeBytes, capture.size()) << "the file ends inside a record";
  EXPECT_FALSE(w.otherTags);
  // Labels keep counting across recycles: never back to 000001.
  for (std::size_t i = 1; i < w.labels.size(); ++i) {
    ASSERT_LE(w.labels[i - 1], w.labels[i]) << "record " << i;
  }
  for (std::size_t line = 0; line < 2; ++line) {
    SCOPED_TRACE(line);
    ASSERT_GT(reports[line].bytes, 90000u);
    EXPECT_EQ(w.port[line].size(), reports[line].bytes);
    EXPECT_EQ(linesim::firstMismatch(linesim::Pattern::counter, 1, line, w.port[line]),
              std::nullopt);
  }
  // The summary counts what came, and saw both lines go away with the simulator.
  for (std::size_t line = 0; line < 2; ++line) {
    const std::string port = line == 0 ? "port=A name=COM3 " : "port=B name=COM4 ";
    const auto at = recorded.out.find(port);
    ASSERT_NE(at, std::string::npos) << recorded.out;
    const std::string summary = recorded.out.substr(at, recorded.out.find('\n', at) - at);
    EXPECT_NE(summary.find(" bytes=" + std::to_string(reports[line].bytes) + " "),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find(" records=" + std::to_string(w.portRecords[line]) + " "),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find(" device-lost=1 device-back=0"), std::string::npos) << summary;
  }

  // The window's Read file takes the recorder's file as its own.
  startWithEmptyStore(1);
  CaptureFileHandle opened = openCaptureFile((dir_ / "capture.kvn").string());
  ASSERT_TRUE(opened);
  ASSERT_TRUE(fillStoreFromCaptureFile(opened.get()));
  const std::size_t loaded = std::min<std::size_t>(capture.size(), kBytesPerMiB);
  EXPECT_EQ(static_cast<std::size_t>(monitorState.recordCount), w.records);
  ASSERT_EQ(static_cast<std::size_t>(monitorState.writePos - monitorState.bufferStart), loaded);
  EXPECT_TRUE(std::equal(capture.begin(), capture.begin() + static_cast<long>(loaded),
                         monitorState.bufferStart));

  // One port's bytes alone through the dump are what that line sent.
  for (const char* port : {"A", "B"}) {
    const auto raw =
        tool_test::runChild(DUMP_EXECUTABLE, {"--raw", "--port", port, "capture.kvn"}, dir_);
    EXPECT_EQ(raw.status, 0) << raw.err;
    EXPECT_EQ(bytesOf(raw.out), w.port[port[0] - 'A']) << port;
  }
}

struct StopCase {
  const char* name;
  std::vector<std::string> args;
  std::optional<long> fileSizeLimit;
  Bytes existing;        // the file before the run, when it is appended to
  std::string settings;  // the monitor's settings file, when there is one
  int status;
  const char* outHas;
  const char* errHas;
  std::size_t maxFileBytes;
};

// However a recording ends, the file ends on a whole record.
TEST_F(CaptureRecorder, EndsOnAWholeRecordWhenTheLimitsOrTheDiskStopIt) {
  const Bytes twoRecords = {1, 1,   '0', '0', '0', '0', '0', '1', ':', ' ', 'x', 2,
                            2, '0', '0', '0', '0', '0', '1', ':', ' ', 'y', 'z'};
  const std::string settingsFile =
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Korvane]\r\n"
      "\"Port1\"=\"nosuch1\"\r\n\"Disable\"=hex(1):31\r\n\"POLLTIME\"=\"20\"\r\n";
  // name, args, file size limit, file before, settings file, status, out, err, most bytes
  const std::vector<StopCase> cases{
      {"size limit", {"--max-bytes", "30K"}, {}, {}, {}, 0, "ended=max-bytes", "", 30 * 1024},
      {"size limit on an appended file",
       {"--max-bytes", "20000", "--append"},
       {},
       twoRecords,
       {},
       0,
       "ended=max-bytes",
       "",
       20000},
      {"full disk",
       {},
       40000,
       {},
       {},
       1,
       "ended=write-failed",
       "writing failed: File too large",
       40000},
      {"time limit, port B off",
       {"--seconds", "1", "--port-b", "off"},
       {},
       {},
       {},
       0,
       "ended=seconds",
       "",
       1 << 20},
      // The monitor's settings count (port B off, a 20 ms period) except
      // what the command line replaces (port A's device).
      {"time limit, port B off in the settings",
       {"--seconds", "1", "--port-a", "COM3"},
       {},
       {},
       settingsFile,
       0,
       "ended=seconds",
       "",
       1 << 20},
  };
  for (const StopCase& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(dir_ / "capture.kvn");
    if (!c.existing.empty()) writeFile("capture.kvn", c.existing);
    fs::remove(dir_ / "registry.reg");
    if (!c.settings.empty()) writeFile("registry.reg", bytesOf(c.settings));
    auto lines = startLines(3);
    std::vector<std::string> args{"--baud", "256000"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back("capture.kvn");
    auto recorder = startRecorder(args, c.fileSizeLimit);
    const tool_test::ChildOutcome result = recorder->finish(20);
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_NE(result.out.find(c.outHas), std::string::npos) << result.out;
    EXPECT_NE(result.err.find(c.errHas), std::string::npos) << result.err;

    const Bytes capture = file("capture.kvn");
    const WalkedCapture w = walk(capture);
    EXPECT_EQ(w.wholeBytes, capture.size());
    EXPECT_LE(capture.size(), c.maxFileBytes);
    EXPECT_GT(w.records, 10u);
    EXPECT_TRUE(std::equal(c.existing.begin(), c.existing.end(), capture.begin()));
    // Port A's bytes of this run follow the one byte of the earlier records.
    const long earlierBytesA = c.existing.empty() ? 0 : 1;
    EXPECT_EQ(linesim::firstMismatch(linesim::Pattern::counter, 1, 0,
                                     Bytes(w.port[0].begin() + earlierBytesA, w.port[0].end())),
              std::nullopt);
    if (std::string(c.name).find("port B off") != std::string::npos) {
      EXPECT_TRUE(w.port[1].empty());
      EXPECT_EQ(result.out.find("port=B"), std::string::npos) << result.out;
    }
    if (!c.settings.empty()) {
      const auto ticksAt = result.out.find("ticks=");
      ASSERT_NE(ticksAt, std::string::npos);
      const int ticks = std::stoi(result.out.substr(ticksAt + 6));
      EXPECT_TRUE(ticks >= 30 && ticks <= 60) << "50 ticks of 20 ms in a second: " << ticks;
    }
  }
}

// Both lines of a fast USB bridge: at 3 Mbaud each poll of 10 ms takes about
// 3,000 bytes a port, twelve reads of 256.
TEST_F(CaptureRecorder, TakesBothLinesAtATypedThreeMegabaudByteForByte) {
  auto lines = startLines(3, "3000000");
  auto recorder = startRecorder({"--baud", "3000000", "capture.kvn"});
  const tool_test::ChildOutcome sent = lines->finish(30);
  ASSERT_EQ(sent.status, 0) << sent.err;
  const auto reports = linesim::parseSentLines(sent.out);
  ASSERT_EQ(reports.size(), 2u) << sent.out;
  std::this_thread::sleep_for(200ms);
  recorder->signal(SIGTERM);
  const tool_test::ChildOutcome recorded = recorder->finish(20);
  ASSERT_EQ(recorded.status, 0) << recorded.err;

  const WalkedCapture w = walk(file("capture.kvn"));
  for (std::size_t line = 0; line < 2; ++line) {
    SCOPED_TRACE(line);
    // Whether the recorder keeps pace is measured by the benchmark
    // (bench/tools/record_run.sh); on a loaded test machine the simulator may
    // be held off, so this test pins what was sent arriving exact.
    ASSERT_GT(reports[line].bytes, 0u);
    EXPECT_EQ(w.port[line].size(), reports[line].bytes);
    EXPECT_EQ(linesim::firstMismatch(linesim::Pattern::counter, 1, line, w.port[line]),
              std::nullopt);
  }
}

struct RefusalCase {
  std::vector<std::string> args;
  Bytes existing;
  int status;
  const char* errHas;
};

// What the recorder refuses, it says why, and it leaves no file behind.
TEST_F(CaptureRecorder, RefusesWhatItCannotDoWithTheReasonAndTheRightStatus) {
  const Bytes notCapture = {3, 1, '0', '0', '0', '0', '0', '1', ':', ' ', 'a', 'b', 'c', 0, 0};
  const std::vector<RefusalCase> cases{
      {{"--port-a", "nosuch0", "--port-b", "off", "capture.kvn"},
       {},
       1,
       "korvane-record: Error: Can not Open PORT A"},
      {{"capture.kvn"}, notCapture, 1, "the file exists"},
      {{"--append", "capture.kvn"},
       notCapture,
       1,
       "not a capture file at byte offset 13: length byte 0"},
      {{}, {}, 2, "no capture file named"},
      {{"--baud", "4000001", "capture.kvn"},
       {},
       2,
       "baud rate \"4000001\" is above 4000000: baud rates are 110 300"},
      {{"--baud-b", " 9600", "capture.kvn"}, {}, 2, "baud rate \" 9600\" holds \" \""},
      {{"--baud-a", "0", "capture.kvn"}, {}, 2, "or a whole number from 50 to 4000000"},
      {{"--parity-b", "odd", "--stop-bits-a", "3", "capture.kvn"}, {}, 2, "stop bits are 1 2"},
      {{"--max-bytes", "lots", "capture.kvn"}, {}, 2, "--max-bytes takes a size"},
      {{"--loud", "capture.kvn"}, {}, 2, "unknown option --loud"},
      {{"--port-a", "ttyUSB100000", "capture.kvn"}, {}, 2, "takes a port name of 1 to 11"},
      // A remote line's address is read back through a 64-byte buffer.
      {{"--port-a", "rfc2217://" + std::string(49, 'h') + ":4001", "capture.kvn"},
       {},
       2,
       "--port-a takes an address of at most 63 characters"},
      {{"--port-a", "tcp://", "--port-b", "off", "capture.kvn"},
       {},
       1,
       "Can not Open PORT A: \"tcp://\" is not the address of a remote line"},
      // The window polls no faster than every 10 ms; neither does the recorder.
      {{"--poll-ms", "5", "capture.kvn"}, {}, 2, "--poll-ms takes 10 to 999 milliseconds, not 5"},
      // Past the clock's range a run would never end and never sleep.
      {{"--seconds", "inf", "capture.kvn"}, {}, 2, "--seconds takes a positive number of seconds"},
      {{"--seconds", "nan", "capture.kvn"}, {}, 2, "--seconds takes a positive number of seconds"},
      {{"--seconds", "1e12", "capture.kvn"}, {}, 2, "up to 3153600000 (100 years), not 1e12"},
      // A threshold the store never reaches before it refuses reads.
      {{"--store-mb", "1", "--recycle-at", "1M", "capture.kvn"},
       {},
       2,
       "--recycle-at must leave room for one more read in the 1 MiB store: at most 1048160 bytes"},
      // Somebody's text: nothing suggested would empty or cut it.
      {{"--append", "capture.kvn"},
       bytesOf("shopping list\n"),
       1,
       "not a capture file at byte offset 0: length byte 115 is above 16; the file is left as it "
       "is: name a new capture file"},
  };
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.args));
    fs::remove(dir_ / "capture.kvn");
    if (!c.existing.empty()) writeFile("capture.kvn", c.existing);
    const auto result = record(c.args);
    EXPECT_EQ(result.status, c.status);
    EXPECT_NE(result.err.find(c.errHas), std::string::npos) << result.err;
    EXPECT_EQ(file("capture.kvn"), c.existing) << "the file changed";
    EXPECT_EQ(result.err.find("truncate"), std::string::npos) << result.err;
  }
  const auto version = record({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "korvane-record 1.4\n");
}

// A file whose last record a power cut left half written: the advice cuts
// it back to its whole records, and works as printed for a name with a
// quote in it.
TEST_F(CaptureRecorder, TheSuggestedCommandCutsAFileWithAQuoteInItsNameBackToWholeRecords) {
  const Bytes cut = {1, 1, '0', '0', '0', '0', '0', '1', ':', ' ', 'x', 5, 2, '0', '0'};
  const std::string name = "night's $HOME `x`.kvn";
  writeFile(name, cut);
  const auto result = record({"--append", name});
  EXPECT_EQ(result.status, 1);
  const std::string advice = "to keep the whole records before it and add to them: ";
  const auto at = result.err.find(advice);
  ASSERT_NE(at, std::string::npos) << result.err;
  std::string command = result.err.substr(at + advice.size());
  command = command.substr(0, command.find('\n'));
  const std::string shell = "cd '" + dir_.string() + "' && " + command;
  ASSERT_EQ(std::system(shell.c_str()), 0) << command;
  EXPECT_EQ(file(name), Bytes(cut.begin(), cut.begin() + 11)) << command;
}

}  // namespace
