// The Telnet receive side: the line's data out of the stream, commands
// told in order, whatever the read boundaries.
#include "platform/network/telnet_receiver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace platform::network::telnet;
using Bytes = std::vector<std::uint8_t>;

// Commands as text: "DO 44", "SB 44 65 00", so a case reads as it is sent.
struct Recorder final : CommandSink {
  std::vector<std::string> told;
  void negotiation(std::uint8_t command, std::uint8_t option) override {
    const char* verb = command == kWill   ? "WILL"
                       : command == kWont ? "WONT"
                       : command == kDo   ? "DO"
                                          : "DONT";
    told.push_back(std::string(verb) + " " + std::to_string(option));
  }
  void subnegotiation(std::uint8_t option, std::span<const std::uint8_t> payload) override {
    std::string text = "SB " + std::to_string(option);
    for (const std::uint8_t byte : payload) text += " " + std::to_string(byte);
    told.push_back(text);
  }
};

struct Outcome {
  Bytes data;
  std::vector<std::string> told;
  bool operator==(const Outcome&) const = default;
};

// Feeds the stream in pieces cut at the given offsets.
Outcome receive(const Bytes& stream, const std::vector<std::size_t>& cuts = {},
                bool peerBinary = true) {
  TelnetReceiver receiver;
  receiver.setPeerSendsBinary(peerBinary);
  Recorder sink;
  Outcome outcome;
  std::size_t from = 0;
  std::vector<std::size_t> ends = cuts;
  ends.push_back(stream.size());
  for (const std::size_t end : ends) {
    receiver.receive(std::span(stream).subspan(from, end - from), outcome.data, sink);
    from = end;
  }
  outcome.told = sink.told;
  return outcome;
}

struct Case {
  const char* what;
  Bytes stream;
  Bytes data;
  std::vector<std::string> told;
};

const Case kCases[] = {
    {"plain bytes pass", {'a', 0, 0x7F, 0x80, '\r', 0}, {'a', 0, 0x7F, 0x80, '\r', 0}, {}},
    {"IAC IAC is one 0xFF", {1, kIac, kIac, kIac, kIac, 2}, {1, 0xFF, 0xFF, 2}, {}},
    {"negotiations in order",
     {kIac, kWill, 3, 'x', kIac, kDo, 44, kIac, kDont, 1, kIac, kWont, 0},
     {'x'},
     {"WILL 3", "DO 44", "DONT 1", "WONT 0"}},
    {"a com-port answer",
     {kIac, kSb, 44, 101, 0, 0, 0xE1, 0, kIac, kSe, 'y'},
     {'y'},
     {"SB 44 101 0 0 225 0"}},
    {"IAC IAC inside a subnegotiation is one 0xFF",
     {kIac, kSb, 44, 101, kIac, kIac, 1, kIac, kSe},
     {},
     {"SB 44 101 255 1"}},
    {"NOP, GA and a stray SE carry nothing",
     {kIac, 241, 'a', kIac, 249, kIac, kSe, 'b'},
     {'a', 'b'},
     {}},
    {"a subnegotiation cut by a negotiation is dropped, the negotiation kept",
     {kIac, kSb, 44, 101, 0, kIac, kWill, 1, 'z'},
     {'z'},
     {"WILL 1"}},
    {"a subnegotiation cut by IAC and a data byte is dropped",
     {kIac, kSb, 44, 106, kIac, 'q', 'r'},
     {'r'},
     {}},
    {"an empty subnegotiation", {kIac, kSb, 44, kIac, kSe}, {}, {"SB 44"}},
    {"a subnegotiation not yet ended keeps what follows as its own",
     {'a', kIac, kSb, 44, 1, 2, 3},
     {'a'},
     {}},
};

TEST(TelnetReceiverTest, SplitsDataFromCommands) {
  for (const Case& c : kCases) {
    const Outcome outcome = receive(c.stream);
    EXPECT_EQ(outcome.data, c.data) << c.what;
    EXPECT_EQ(outcome.told, c.told) << c.what;
  }
}

TEST(TelnetReceiverTest, EveryReadBoundaryGivesTheSameResult) {
  for (const Case& c : kCases) {
    const Outcome whole = receive(c.stream);
    for (std::size_t cut = 0; cut <= c.stream.size(); ++cut) {
      EXPECT_EQ(receive(c.stream, {cut}), whole) << c.what << ", cut at " << cut;
    }
    std::vector<std::size_t> everyByte;
    for (std::size_t at = 1; at < c.stream.size(); ++at) everyByte.push_back(at);
    EXPECT_EQ(receive(c.stream, everyByte), whole) << c.what << ", byte by byte";
  }
}

TEST(TelnetReceiverTest, EveryByteValueAndRunsOf0xFFComeThroughEscaped) {
  Bytes line;
  for (int value = 0; value < 256; ++value) line.push_back(static_cast<std::uint8_t>(value));
  line.insert(line.end(), 300, 0xFF);
  Bytes stream;
  for (const std::uint8_t byte : line) {
    stream.push_back(byte);
    if (byte == kIac) stream.push_back(kIac);
  }
  std::vector<std::size_t> cuts;
  for (std::size_t at = 7; at < stream.size(); at += 7) cuts.push_back(at);
  const Outcome outcome = receive(stream, cuts);
  EXPECT_EQ(outcome.data, line);
  EXPECT_TRUE(outcome.told.empty());
}

TEST(TelnetReceiverTest, CrNulIsABareCrOnlyWhileThePeerIsNotBinary) {
  const Bytes stream = {'a', '\r', 0, 'b', '\r', '\n', '\r', '\r', 0, 0};
  EXPECT_EQ(receive(stream, {}, false).data, (Bytes{'a', '\r', 'b', '\r', '\n', '\r', '\r', 0}));
  EXPECT_EQ(receive(stream, {2}, false).data, (Bytes{'a', '\r', 'b', '\r', '\n', '\r', '\r', 0}))
      << "CR and its NUL in two reads";
  EXPECT_EQ(receive(stream, {}, true).data, stream);
}

TEST(TelnetReceiverTest, AnOverlongSubnegotiationIsDroppedAndTheStreamGoesOn) {
  Bytes stream = {kIac, kSb, 44};
  stream.insert(stream.end(), TelnetReceiver::kMaxSubnegotiation + 10, 7);
  stream.insert(stream.end(), {kIac, kSe, 'k', kIac, kSb, 44, 106, 2, kIac, kSe});
  const Outcome outcome = receive(stream);
  EXPECT_EQ(outcome.data, Bytes{'k'});
  EXPECT_EQ(outcome.told, std::vector<std::string>{"SB 44 106 2"});
}

}  // namespace
