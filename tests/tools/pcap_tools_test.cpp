// korvane-record --pcap and korvane-dump --format pcap run as a user runs
// them, on the line simulator's pseudo-terminals, with every file read back
// by the real analyser (tshark): packets, bytes, times and directions are
// what was captured, and Modbus traffic decodes as Modbus once joined.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "capture/utc_time_text.h"
#include "tests/tools/child_process.h"
#include "tests/tools/tshark_reader.h"
#include "tools/line_simulator/patterns.h"
#include "tools/line_simulator/report.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using tool_test::AnalysedPacket;

// Each port's bytes of one poll, as the capture file's records hold them.
struct PollBytes {
  long label = 0;
  int port = 0;
  Bytes bytes;
};

std::vector<PollBytes> pollsOf(const std::string& file) {
  std::vector<PollBytes> polls;
  for (std::size_t at = 0; at + 10 <= file.size();) {
    const std::size_t length = static_cast<std::uint8_t>(file[at]);
    const int port = file[at + 1];
    const long label = std::stol(file.substr(at + 2, 6));
    if (polls.empty() || polls.back().label != label || polls.back().port != port) {
      polls.push_back({label, port, {}});
    }
    polls.back().bytes.insert(polls.back().bytes.end(), file.begin() + long(at + 10),
                              file.begin() + long(at + 10 + length));
    at += 10 + length;
  }
  return polls;
}

std::vector<AnalysedPacket> dataPackets(const std::vector<AnalysedPacket>& packets) {
  std::vector<AnalysedPacket> data;
  for (const AnalysedPacket& p : packets) {
    if (p.eventType == 1 || p.eventType == 2) data.push_back(p);
  }
  return data;
}

// The value of key= in a summary.
std::string field(const std::string& text, const std::string& key) {
  const auto at = text.find(key + "=");
  if (at == std::string::npos) return {};
  const auto from = at + key.size() + 1;
  return text.substr(from, text.find_first_of(" \n", from) - from);
}

class PcapTools : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const std::string why = tool_test::tsharkMissing(); !why.empty()) GTEST_SKIP() << why;
    char pattern[] = "/tmp/pcap-tools-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    fs::create_directories(dir_ / "korvane" / "ports");
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  std::unique_ptr<tool_test::ChildProcess> startLines(const std::string& pattern,
                                                      const std::string& baud, double seconds,
                                                      std::vector<std::string> more = {}) {
    std::vector<std::string> args{"--ports-dir",     (dir_ / "korvane" / "ports").string(),
                                  "--lines",         "COM3,COM4",
                                  "--baud",          baud,
                                  "--pattern",       pattern,
                                  "--seconds",       std::to_string(seconds),
                                  "--wait-for-open", "--replace",
                                  "--quiet"};
    args.insert(args.end(), more.begin(), more.end());
    return std::make_unique<tool_test::ChildProcess>(LINESIM_EXECUTABLE, args, dir_);
  }
  std::unique_ptr<tool_test::ChildProcess> startRecorder(const std::vector<std::string>& args,
                                                         std::optional<long> sizeLimit = {}) {
    return std::make_unique<tool_test::ChildProcess>(
        RECORD_EXECUTABLE, args, dir_,
        std::vector<std::string>{"XDG_CONFIG_HOME=" + dir_.string(),
                                 "KORVANE_REGISTRY=" + (dir_ / "registry.reg").string()},
        sizeLimit);
  }
  tool_test::ChildOutcome dump(const std::vector<std::string>& args) {
    return tool_test::runChild(DUMP_EXECUTABLE, args, dir_);
  }
  std::vector<AnalysedPacket> analysed(const std::string& name, const std::string& decodeAs = {}) {
    std::string errors;
    const auto packets = tool_test::analyse((dir_ / name).string(), decodeAs, &errors);
    EXPECT_TRUE(packets) << errors;
    EXPECT_EQ(errors, "") << name << " reads to its end without complaint";
    return packets.value_or(std::vector<AnalysedPacket>{});
  }
  std::string read(const std::string& name) const { return tool_test::readWholeFile(dir_ / name); }

  fs::path dir_;
};

TEST_F(PcapTools, ARecordingsPacketsAreItsPollsBytesTimesAndDirections) {
  const std::int64_t before = wallClockMicrosNow();
  auto lines = startLines("counter", "256000", 3);
  auto recorder = startRecorder({"--baud", "256000", "--pcap", "capture.pcap", "capture.kvn"});
  const tool_test::ChildOutcome sent = lines->finish(30);
  ASSERT_EQ(sent.status, 0) << sent.err;
  const auto reports = linesim::parseSentLines(sent.out);
  ASSERT_EQ(reports.size(), 2u);
  std::this_thread::sleep_for(100ms);
  recorder->signal(SIGTERM);
  const tool_test::ChildOutcome recorded = recorder->finish(20);
  const std::int64_t after = wallClockMicrosNow();
  ASSERT_EQ(recorded.status, 0) << recorded.err;

  // The summary says what the files cannot: when, how often, which lines.
  const std::string start = field(recorded.out, "start");
  const auto startMicros = parseUtcTime(start);
  ASSERT_TRUE(startMicros) << recorded.out;
  EXPECT_EQ(field(recorded.out, "poll-ms"), "10");
  EXPECT_EQ(field(recorded.out, "port-a"), "COM3,256000,8,NONE,1") << recorded.out;
  EXPECT_EQ(field(recorded.out, "port-b"), "COM4,256000,8,NONE,1") << recorded.out;

  const std::vector<PollBytes> polls = pollsOf(read("capture.kvn"));
  const std::vector<AnalysedPacket> packets = analysed("capture.pcap");
  ASSERT_FALSE(packets.empty());
  // The description first, at the start time.
  EXPECT_EQ(packets.front().eventType, 0);
  EXPECT_EQ(packets.front().epochMicros, *startMicros);
  const std::string description(packets.front().payload.begin(), packets.front().payload.end());
  EXPECT_NE(recorded.out.find(description + "\n"), std::string::npos) << description;
  EXPECT_EQ(field(recorded.out, "packets"), std::to_string(packets.size())) << recorded.out;

  const std::vector<AnalysedPacket> data = dataPackets(packets);
  ASSERT_EQ(data.size(), polls.size()) << "one packet per port per poll that brought data";
  Bytes port[2];
  for (std::size_t i = 0; i < data.size(); ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(data[i].payload, polls[i].bytes);
    ASSERT_EQ(data[i].footer, polls[i].port);
    ASSERT_EQ(data[i].eventType, polls[i].port == 1 ? 1 : 2) << "A is TX, B is RX";
    port[polls[i].port - 1].insert(port[polls[i].port - 1].end(), data[i].payload.begin(),
                                   data[i].payload.end());
    if (i > 0) {
      // One clock reading per poll: same poll, same time; later polls later.
      if (polls[i].label == polls[i - 1].label) {
        ASSERT_EQ(data[i].epochMicros, data[i - 1].epochMicros);
      } else {
        ASSERT_GT(data[i].epochMicros, data[i - 1].epochMicros);
      }
    }
  }
  for (std::size_t i = 1; i < packets.size(); ++i) {
    ASSERT_GE(packets[i].epochMicros, packets[i - 1].epochMicros) << i;
  }
  EXPECT_GE(packets.front().epochMicros, before);
  EXPECT_LE(packets.back().epochMicros, after);
  for (std::size_t line = 0; line < 2; ++line) {
    EXPECT_EQ(port[line].size(), reports[line].bytes);
    EXPECT_EQ(linesim::firstMismatch(linesim::Pattern::counter, 1, line, port[line]), std::nullopt);
  }
  // The lines went away with the simulator: a data-lost event per port.
  std::map<int, int> lost;
  for (const AnalysedPacket& p : packets) {
    if (p.eventType == 5) ++lost[p.footer];
  }
  EXPECT_EQ(lost, (std::map<int, int>{{1, 1}, {2, 1}}));

  // The dump of the capture file, with the summary's start and period, has
  // the same packets, timed by their labels.
  const auto converted = dump({"--format", "pcap", "--output", "dumped.pcap", "--poll-ms", "10",
                               "--start", start, "capture.kvn"});
  ASSERT_EQ(converted.status, 0) << converted.err;
  const std::vector<AnalysedPacket> dumped = analysed("dumped.pcap");
  ASSERT_EQ(dumped.size(), polls.size());
  for (std::size_t i = 0; i < dumped.size(); ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(dumped[i].payload, polls[i].bytes);
    ASSERT_EQ(dumped[i].footer, polls[i].port);
    ASSERT_EQ(dumped[i].epochMicros, *startMicros + (polls[i].label - 1) * 10'000);
  }
}

struct EndCase {
  const char* name;
  std::optional<long> sizeLimit;
  bool stopBySignal;
  int status;
  const char* ended;
};

// Written alone, the pcap file reads to its end however the recording ends.
TEST_F(PcapTools, APcapFileAloneEndsOnAWholePacketOnEveryWayOut) {
  const std::vector<EndCase> cases{
      {"SIGTERM", {}, true, 0, "signal"},
      {"full disk", 30000, false, 1, "write-failed"},
  };
  for (const EndCase& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(dir_ / "only.pcap");
    auto lines = startLines("counter", "256000", 2, {"--drain-ms", "1000"});
    auto recorder = startRecorder({"--baud", "256000", "--pcap", "only.pcap"}, c.sizeLimit);
    tool_test::ChildOutcome recorded;
    std::vector<linesim::LineReport> reports;
    if (c.stopBySignal) {
      const tool_test::ChildOutcome sent = lines->finish(30);
      ASSERT_EQ(sent.status, 0) << sent.err;
      reports = linesim::parseSentLines(sent.out);
      ASSERT_EQ(reports.size(), 2u);
      std::this_thread::sleep_for(100ms);
      recorder->signal(SIGTERM);
      recorded = recorder->finish(20);
    } else {
      // The full disk ends the recording while the lines still send.
      recorded = recorder->finish(20);
      lines->signal(SIGTERM);
      lines->finish(20);
    }
    EXPECT_EQ(recorded.status, c.status) << recorded.err;
    EXPECT_EQ(field(recorded.out, "ended"), c.ended) << recorded.out;
    EXPECT_EQ(field(recorded.out, "pcap"), "only.pcap") << recorded.out;
    EXPECT_EQ(field(recorded.out, "file"), "") << "no capture file was asked for";
    const std::vector<AnalysedPacket> packets = analysed("only.pcap");
    EXPECT_GT(dataPackets(packets).size(), 10u);
    // Each line's bytes once, in order: all of them unless the disk ran full.
    Bytes port[2];
    for (const AnalysedPacket& p : dataPackets(packets)) {
      ASSERT_TRUE(p.footer == 1 || p.footer == 2);
      port[p.footer - 1].insert(port[p.footer - 1].end(), p.payload.begin(), p.payload.end());
    }
    for (std::size_t line = 0; line < 2; ++line) {
      EXPECT_EQ(linesim::firstMismatch(linesim::Pattern::counter, 1, line, port[line]),
                std::nullopt);
      if (!reports.empty()) {
        EXPECT_EQ(port[line].size(), reports[line].bytes);
      }
    }
    const auto size = fs::file_size(dir_ / "only.pcap");
    EXPECT_EQ(field(recorded.out, "bytes"), std::to_string(size));
    if (c.sizeLimit) {
      EXPECT_LE(size, static_cast<std::uintmax_t>(*c.sizeLimit));
      EXPECT_NE(recorded.err.find("ends on its last whole packet"), std::string::npos)
          << recorded.err;
    }
    for (const auto& entry : fs::directory_iterator(dir_)) {
      EXPECT_NE(entry.path().extension(), ".kvn") << entry.path();
    }
  }
}

// Modbus RTU frames split across polls are whole again once joined, in the
// recorder's file and in the dump's.
TEST_F(PcapTools, ModbusTrafficDecodesAsModbusWithFramesJoined) {
  // At 1200 baud a frame takes 7 to 19 polls of 10 ms, and 3.5 characters
  // (32 ms) ride out a late wake-up of the simulator on a busy machine.
  auto lines = startLines("modbus", "1200", 4, {"--pause-ms", "50"});
  auto recorder = startRecorder(
      {"--baud", "1200", "--pcap", "joined.pcap", "--join-gap", "3.5c", "capture.kvn"});
  const tool_test::ChildOutcome sent = lines->finish(30);
  ASSERT_EQ(sent.status, 0) << sent.err;
  const auto reports = linesim::parseSentLines(sent.out);
  ASSERT_EQ(reports.size(), 2u);
  std::this_thread::sleep_for(100ms);
  recorder->signal(SIGTERM);
  const tool_test::ChildOutcome recorded = recorder->finish(20);
  ASSERT_EQ(recorded.status, 0) << recorded.err;
  // Every request is 8 bytes: address, 3, start, count, CRC. Either line may
  // have stopped inside its last frame: only whole frames count.
  const std::size_t exchanges = reports[0].bytes / 8;
  ASSERT_GT(exchanges, 5u);
  const Bytes replies = linesim::expectedStream(linesim::Pattern::modbus, 1, 1, reports[1].bytes);
  std::size_t wholeReplies = 0;
  for (std::size_t at = 0; at + 3 <= replies.size() && at + 5 + replies[at + 2] <= replies.size();
       at += 5 + replies[at + 2]) {
    ++wholeReplies;
  }
  ASSERT_GE(wholeReplies + 1, exchanges);

  // The whole frames of each direction decode as Modbus requests and replies;
  // a last frame the simulator cut short when it stopped is left aside.
  auto expectModbus = [&](const std::string& name) {
    SCOPED_TRACE(name);
    std::vector<AnalysedPacket> frames[2];
    for (const AnalysedPacket& p : dataPackets(analysed(name, "rtacser.data,mbrtu"))) {
      frames[p.eventType == 1 ? 0 : 1].push_back(p);
    }
    const std::size_t whole[2] = {exchanges, wholeReplies};
    const char* kind[2] = {"Query: Unit:", "Response: Unit:"};
    for (std::size_t line = 0; line < 2; ++line) {
      ASSERT_GE(frames[line].size(), whole[line]);
      ASSERT_LE(frames[line].size(), whole[line] + 1);
      for (std::size_t i = 0; i < whole[line]; ++i) {
        const AnalysedPacket& p = frames[line][i];
        EXPECT_EQ(p.protocol, "Modbus RTU") << p.info;
        EXPECT_NE(p.info.find(kind[line]), std::string::npos) << p.info;
        EXPECT_NE(p.info.find("Func:   3: Read Holding Registers"), std::string::npos) << p.info;
        EXPECT_EQ(p.info.find("Error"), std::string::npos) << p.info;
      }
    }
  };
  expectModbus("joined.pcap");

  const std::string start = field(recorded.out, "start");
  const auto joined = dump({"--format", "pcap", "-o", "dumped.pcap", "--poll-ms", "10", "--start",
                            start, "--join-gap", "3.5c", "--join-baud", "1200", "capture.kvn"});
  ASSERT_EQ(joined.status, 0) << joined.err;
  expectModbus("dumped.pcap");

  // Unjoined, the packets are polls, not frames.
  const auto unjoined =
      dump({"--format", "pcap", "-o", "polls.pcap", "--poll-ms", "10", "capture.kvn"});
  ASSERT_EQ(unjoined.status, 0) << unjoined.err;
  EXPECT_GT(dataPackets(analysed("polls.pcap")).size(), 5 * (exchanges + wholeReplies));
}

TEST_F(PcapTools, AMalformedCaptureFileLeavesNoPcapFileUnlessAskedAndSaysWhere) {
  const Bytes good = {3, 1, '0', '0', '0', '0', '0', '7', ':', ' ', 'a', 'b', 'c',
                      2, 2, '0', '0', '0', '0', '0', '8', ':', ' ', 'x', 'y'};
  Bytes bad = good;
  bad.insert(bad.end(), {17, 1, '0', '0'});  // a length byte above 16 at offset 25
  std::ofstream(dir_ / "bad.kvn", std::ios::binary)
      .write(reinterpret_cast<const char*>(bad.data()), std::streamsize(bad.size()));

  const std::vector<std::string> convert{
      "--format", "pcap", "--poll-ms", "10", "--start", "2026-12-08T12:00:00Z", "--output"};
  auto args = [&](const std::string& out, std::vector<std::string> more = {}) {
    std::vector<std::string> all = convert;
    all.push_back(out);
    all.insert(all.end(), more.begin(), more.end());
    all.push_back("bad.kvn");
    return all;
  };
  const auto refused = dump(args("out.pcap"));
  EXPECT_EQ(refused.status, 2);
  EXPECT_NE(refused.err.find("bad.kvn: not a capture file at byte offset 25"), std::string::npos)
      << refused.err;
  EXPECT_FALSE(fs::exists(dir_ / "out.pcap")) << "no partial file left behind";

  const auto kept = dump(args("kept.pcap", {"--keep-partial"}));
  EXPECT_EQ(kept.status, 2);
  EXPECT_NE(kept.err.find("byte offset 25"), std::string::npos) << kept.err;
  const std::vector<AnalysedPacket> packets = analysed("kept.pcap");
  ASSERT_EQ(packets.size(), 2u);
  EXPECT_EQ(packets[0].payload, (Bytes{'a', 'b', 'c'}));
  EXPECT_EQ(packets[0].epochMicros, *parseUtcTime("2026-12-08T12:00:00.060Z"));
  EXPECT_EQ(packets[1].payload, (Bytes{'x', 'y'}));
  EXPECT_EQ(packets[1].eventType, 2);

  // An existing file is never overwritten.
  const auto existing = dump(args("kept.pcap"));
  EXPECT_EQ(existing.status, 1);
  EXPECT_NE(existing.err.find("the file exists"), std::string::npos) << existing.err;
  EXPECT_EQ(analysed("kept.pcap").size(), 2u);
}

// The sample capture's pcap export, kept beside it, is what the Windows
// build must write too; the analyser reads every record of it.
TEST_F(PcapTools, TheSampleCapturesExportIsTheKeptFileToAFileOrStandardOutput) {
  const std::string data = KORVANE_TOOLS_TEST_DATA;
  const std::vector<std::string> convert{"--format", "pcap",    "--poll-ms",
                                         "10",       "--start", "2026-12-08T12:00:00Z"};
  auto withOutput = [&](const std::string& output) {
    std::vector<std::string> args = convert;
    args.insert(args.end(), {"--output", output, data + "/sample.kvn"});
    return args;
  };
  const std::string kept = tool_test::readWholeFile(data + "/sample.pcap");
  const auto toFile = dump(withOutput("sample.pcap"));
  ASSERT_EQ(toFile.status, 0) << toFile.err;
  EXPECT_EQ(read("sample.pcap"), kept);
  const auto toStandardOutput = dump(withOutput("-"));
  ASSERT_EQ(toStandardOutput.status, 0) << toStandardOutput.err;
  EXPECT_EQ(toStandardOutput.out, kept);

  const std::vector<PollBytes> polls = pollsOf(tool_test::readWholeFile(data + "/sample.kvn"));
  const std::vector<AnalysedPacket> packets = analysed("sample.pcap");
  ASSERT_EQ(packets.size(), polls.size());
  for (std::size_t i = 0; i < packets.size(); ++i) {
    EXPECT_EQ(packets[i].payload, polls[i].bytes) << i;
    EXPECT_EQ(packets[i].eventType, polls[i].port == 1 ? 1 : 2) << i;
  }
}

TEST_F(PcapTools, TheTimeColumnIsTheLabelsPollTimeInEveryTextFormat) {
  const std::string sample = std::string(KORVANE_TOOLS_TEST_DATA) + "/sample.kvn";
  const std::vector<std::string> timed{"--time", "--poll-ms", "250", "--start",
                                       "2026-12-08T23:59:59.5Z"};
  struct Case {
    const char* format;
    const char* firstLines;
  };
  const Case cases[] = {
      {"text",
       "2026-12-08T23:59:59.500000Z 000001: A ................     00 01 02 03 04 05 06 07 08 09 "
       "0a 0b 0c 0d 0e 0f\n"
       "2026-12-08T23:59:59.750000Z 000002: B ................     10 11 12 13 14 15 16 17 18 19 "
       "1a 1b 1c 1d 1e 1f\n"
       "2026-12-09T00:00:00.000000Z 000003: A"},
      {"csv",
       "offset,label,time,port,length,hex,text\n"
       "0,000001,2026-12-08T23:59:59.500000Z,A,16,000102030405060708090a0b0c0d0e0f,"
       "\"................\"\n"},
      {"jsonl",
       "{\"offset\":0,\"label\":\"000001\",\"time\":\"2026-12-08T23:59:59.500000Z\",\"port\":"
       "\"A\",\"length\":16,"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.format);
    std::vector<std::string> args = timed;
    args.insert(args.end(), {"--format", c.format, sample});
    const auto printed = dump(args);
    EXPECT_EQ(printed.status, 0) << printed.err;
    EXPECT_EQ(printed.out.substr(0, std::string(c.firstLines).size()), c.firstLines);
  }
  // Times need a period; pcap needs a file; --raw has no columns.
  const std::vector<std::vector<std::string>> refused{
      {"--time", sample},
      {"--format", "pcap", "--poll-ms", "10", sample},
      {"--format", "pcap", "--output", "x.pcap", sample},
      {"--raw", "--port", "A", "--time", "--poll-ms", "10", sample},
      {"--format", "pcap", "-o", "x.pcap", "--poll-ms", "10", "--join-gap", "3.5c", sample},
      {"--time", "--poll-ms", "10", "--start", "yesterday", sample},
  };
  for (const auto& args : refused) {
    SCOPED_TRACE(::testing::PrintToString(args));
    const auto result = dump(args);
    EXPECT_EQ(result.status, 2) << result.out;
    EXPECT_NE(result.err.find("Try 'korvane-dump --help'"), std::string::npos) << result.err;
  }
  EXPECT_FALSE(fs::exists(dir_ / "x.pcap"));
}

}  // namespace
