// The pieces of the capture exports: wall-clock text, the pcap packet
// layout, the frame joiner, the --join-gap option and the event packets a
// rise of line-error counts gives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "capture/utc_time_text.h"
#include "tools/dump/label_time.h"
#include "tools/pcap/frame_joiner.h"
#include "tools/pcap/join_gap.h"
#include "tools/pcap/serial_packet.h"
#include "tools/record/pcap_recording.h"

namespace {

namespace pe = pcap_export;
using Bytes = std::vector<std::uint8_t>;

TEST(UtcTimeText, WritesAndReadsIso8601InUtcToTheMicrosecond) {
  struct Case {
    std::int64_t micros;
    const char* text;
  };
  const Case cases[] = {
      {0, "1970-01-01T00:00:00.000000Z"},
      {951'782'400'000'001, "2000-02-29T00:00:00.000001Z"},  // a leap day
      {1'796'752'707'586'118, "2026-12-08T17:58:27.586118Z"},
      {4'102'444'799'999'999, "2099-12-31T23:59:59.999999Z"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(utcTimeText(c.micros), c.text);
    EXPECT_EQ(parseUtcTime(c.text), c.micros) << c.text;
  }
  // Shorter forms a user types.
  EXPECT_EQ(parseUtcTime("2026-12-08T17:58:27Z"), 1'796'752'707'000'000);
  EXPECT_EQ(parseUtcTime("2026-12-08 17:58:27.5"), 1'796'752'707'500'000);
  for (const char* bad :
       {"", "2026-12-08", "2026-13-01T00:00:00Z", "2026-02-30T00:00:00Z", "2026-12-08T24:00:00Z",
        "2026-12-08T17:58:27.Z", "2026-12-08T17:58:27.1234567Z", "1969-12-31T23:59:59Z",
        "2026-12-08T17:58:27+01:00"}) {
    EXPECT_EQ(parseUtcTime(bad), std::nullopt) << bad;
  }
}

TEST(LabelTime, APollsTimeIsStartPlusWholePeriodsBeforeIt) {
  const std::uint8_t label[] = {'0', '0', '0', '0', '4', '2', ':', ' '};
  const std::uint8_t wide[] = {'1', '2', '3', '4', '5', '6', '7', '8'};
  const std::uint8_t foreign[] = {'x', '0', '0', '0', '0', '1', ':', ' '};
  EXPECT_EQ(capture_text::pollOfLabel(label), 42);
  EXPECT_EQ(capture_text::pollOfLabel(wide), 12345678);
  EXPECT_EQ(capture_text::pollOfLabel(foreign), std::nullopt);
  const capture_text::LabelClock clock{1'000'000, 10'000};
  EXPECT_EQ(clock.timeOfPoll(1), 1'000'000);
  EXPECT_EQ(clock.timeOfPoll(42), 1'410'000);
}

TEST(SerialPacketLayout, HeaderAndPacketAreTheLinkTypesBytes) {
  Bytes file;
  pe::appendFileHeader(file);
  EXPECT_EQ(file, (Bytes{0xd4, 0xc3, 0xb2, 0xa1, 2,    0,    4, 0, 0,   0, 0, 0,
                         0,    0,    0,    0,    0xff, 0xff, 0, 0, 250, 0, 0, 0}));
  const pe::SerialPacket packet{16'909'060'000'005, pe::LineEvent::DataRxStart, 2, {0xaa, 0xbb}};
  Bytes record;
  pe::appendPacket(record, packet);
  ASSERT_EQ(record.size(), pe::packetRecordBytes(packet));
  // 16,909,060 s = 0x01020304 and 5 us: little-endian in the record
  // header, big-endian in the line header; lengths 14 = 12 + 2.
  EXPECT_EQ(record, (Bytes{0x04, 0x03, 0x02, 0x01, 5,    0, 0, 0, 14, 0,    0, 0, 14, 0,    0,
                           0,    0x01, 0x02, 0x03, 0x04, 0, 0, 0, 5,  0x02, 0, 0, 2,  0xaa, 0xbb}));
  EXPECT_EQ(pe::dataEventOfPort(1), pe::LineEvent::DataTxStart);
  EXPECT_EQ(pe::dataEventOfPort(2), pe::LineEvent::DataRxStart);
}

// One poll as the joiner is fed it: the time, port A's and port B's bytes.
struct Poll {
  std::int64_t ms;
  std::string a;
  std::string b;
};
struct Expected {
  std::int64_t ms;
  int port;
  std::string bytes;
};
struct JoinCase {
  const char* name;
  std::int64_t gapMs;
  std::vector<Poll> polls;
  std::vector<Expected> packets;
};

TEST(FrameJoiner, JoinsWhatThePollsCannotProveApartAndKeepsTimeOrder) {
  const std::vector<JoinCase> cases{
      {"no joining: a packet per port per poll",
       0,
       {{0, "ab", "x"}, {10, "cd", ""}, {20, "", "y"}},
       {{0, 1, "ab"}, {0, 2, "x"}, {10, 1, "cd"}, {20, 2, "y"}}},
      {"consecutive polls join; an empty poll as long as the gap splits",
       4,
       {{0, "ab", ""}, {10, "cd", ""}, {20, "", ""}, {30, "ef", ""}},
       {{0, 1, "abcd"}, {30, 1, "ef"}}},
      {"an empty poll shorter than the gap does not split",
       15,
       {{0, "ab", ""}, {10, "", ""}, {20, "cd", ""}, {30, "", ""}, {40, "", ""}, {50, "ef", ""}},
       {{0, 1, "abcd"}, {50, 1, "ef"}}},
      {"a reply inside a long request comes after it, by time",
       4,
       {{0, "req", ""}, {10, "uest", "re"}, {20, "", "ply"}, {30, "", ""}},
       {{0, 1, "request"}, {10, 2, "reply"}}},
      {"port A before port B within one poll",
       4,
       {{0, "a", "b"}, {10, "", ""}},
       {{0, 1, "a"}, {0, 2, "b"}}},
      {"ports join each on their own",
       4,
       {{0, "a", ""}, {10, "", "b"}, {20, "c", "d"}},
       {{0, 1, "a"}, {10, 2, "bd"}, {20, 1, "c"}}},
  };
  for (const JoinCase& c : cases) {
    SCOPED_TRACE(c.name);
    pe::FrameJoiner joiner({c.gapMs * 1000, c.gapMs * 1000});
    std::vector<pe::SerialPacket> out;
    std::int64_t previous = c.polls.front().ms;
    for (const Poll& poll : c.polls) {
      joiner.addData(1, poll.ms * 1000, previous * 1000, Bytes(poll.a.begin(), poll.a.end()));
      joiner.addData(2, poll.ms * 1000, previous * 1000, Bytes(poll.b.begin(), poll.b.end()));
      joiner.pollDone(poll.ms * 1000);
      previous = poll.ms;
      for (auto& p : joiner.ready()) out.push_back(std::move(p));
      joiner.ready().clear();
    }
    joiner.finish();
    for (auto& p : joiner.ready()) out.push_back(std::move(p));
    ASSERT_EQ(out.size(), c.packets.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(out[i].timeMicros, c.packets[i].ms * 1000);
      EXPECT_EQ(out[i].footer, c.packets[i].port);
      EXPECT_EQ(out[i].event, pe::dataEventOfPort(c.packets[i].port));
      EXPECT_EQ(std::string(out[i].payload.begin(), out[i].payload.end()), c.packets[i].bytes);
    }
  }
}

TEST(FrameJoiner, AnEventEndsItsPortsFrameAndAFrameStopsAtThePacketLimit) {
  pe::FrameJoiner joiner({4000, 4000});
  joiner.addData(1, 0, 0, Bytes{1, 2});
  joiner.addData(2, 0, 0, Bytes{9});
  joiner.addEvent({10'000, pe::LineEvent::ParityError, 1, {}});
  joiner.addData(1, 10'000, 0, Bytes{3});
  joiner.addData(2, 10'000, 0, Bytes(pe::kMaxPayloadBytes, 7));
  joiner.finish();
  const auto& out = joiner.ready();
  ASSERT_EQ(out.size(), 5u);
  EXPECT_EQ(out[0].payload, (Bytes{1, 2}));
  EXPECT_EQ(out[1].payload, (Bytes{9}));
  EXPECT_EQ(out[2].event, pe::LineEvent::ParityError);
  EXPECT_EQ(out[3].payload, (Bytes{3}));
  EXPECT_EQ(out[4].payload.size(), pe::kMaxPayloadBytes) << "too long to join port B's 1 byte";
  EXPECT_EQ(out[4].timeMicros, 10'000);
}

TEST(JoinGapOption, TakesMillisecondsOrCharactersOfElevenBits) {
  const auto ms = pe::parseJoinGap("4ms");
  ASSERT_TRUE(ms);
  EXPECT_EQ(ms->micros(9600), 4000);
  const auto modbus = pe::parseJoinGap("3.5c");
  ASSERT_TRUE(modbus);
  EXPECT_EQ(modbus->micros(9600), 4010) << "3.5 x 11 bits at 9600 baud";
  EXPECT_EQ(pe::parseJoinGap("3.5chars")->micros(19200), 2005);
  for (const char* bad : {"", "4", "ms", "-1ms", "0c", "nanms", "1e9ms", "4 ms"}) {
    EXPECT_EQ(pe::parseJoinGap(bad), std::nullopt) << bad;
  }
}

TEST(LineErrorEvents, OneEventPerKindThatRoseAndNoneForUnknownCounts) {
  using pe::LineEvent;
  platform::LineErrorCounts before{
      .parity = 1, .framing = 0, .overrun = 0, .bufferOverrun = 0, .breaks = 0};
  platform::LineErrorCounts now = before;
  EXPECT_TRUE(recorder::lineErrorEvents(before, now).empty());
  now.parity = 3;
  now.breaks = 1;
  now.bufferOverrun = 2;
  EXPECT_EQ(recorder::lineErrorEvents(before, now),
            (std::vector<LineEvent>{LineEvent::ParityError, LineEvent::SerialBreak,
                                    LineEvent::SerialOverflow}));
  now = before;
  now.framing = 1;
  now.overrun = 1;
  EXPECT_EQ(recorder::lineErrorEvents(before, now),
            (std::vector<LineEvent>{LineEvent::FramingError, LineEvent::SerialOverflow}));
  // A pseudo-terminal keeps no counts: nothing to tell.
  EXPECT_TRUE(recorder::lineErrorEvents({}, {}).empty());
}

}  // namespace
