// The client's side of the conversation with a com-port server: what it
// sends, when, how much at most, and how it takes the server's answers.
#include "platform/network/com_port_client.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace {

using namespace platform::network;
using namespace platform::network::telnet;
using platform::LineState;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kCom = kComPortOption;

Bytes sb(Bytes payload) {
  Bytes bytes = {kIac, kSb, kCom};
  for (const std::uint8_t byte : payload) {
    bytes.push_back(byte);
    if (byte == kIac) bytes.push_back(kIac);
  }
  bytes.insert(bytes.end(), {kIac, kSe});
  return bytes;
}

Bytes join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// 57600 baud, 8 data bits, even parity, 2 stop bits.
LineState lab1Line() {
  LineState state;
  state.baudRate = 57600;
  state.byteSize = 8;
  state.parity = platform::kEvenParity;
  state.stopBits = platform::kTwoStopBits;
  return state;
}

// What a server that agrees sends back for lab1Line().
Bytes agreement() {
  return join({sb({101, 0, 0, 0xE1, 0x00}), sb({102, 8}), sb({103, 3}), sb({104, 2})});
}

Bytes feed(ComPortClient& client, const Bytes& bytes) {
  Bytes data;
  client.receive(bytes, data);
  return data;
}

// The opening a com-port server such as ser2net sends on connect.
const Bytes kServerOpening = {kIac, kWill, 3,   kIac, kDo,  3,     kIac, kWill, 1,   kIac, kDont,
                              1,    kIac,  kDo, 0,    kIac, kWill, 0,    kIac,  kDo, kCom};

TEST(ComPortClientTest, OffersBinaryBothWaysAndTheComPortOptionFirst) {
  ComPortClient client(LineProtocol::kComPort);
  client.start();
  EXPECT_EQ(client.takeOutgoing(), (Bytes{kIac, kWill, 0, kIac, kDo, 0, kIac, kWill, kCom}));
  EXPECT_TRUE(client.takeOutgoing().empty()) << "handed over once";
}

TEST(ComPortClientTest, SendsTheSettingsOnceTheServerTakesTheComPortOption) {
  ComPortClient client(LineProtocol::kComPort);
  client.start();
  client.takeOutgoing();
  client.requestLine(lab1Line());
  EXPECT_TRUE(client.takeOutgoing().empty()) << "not before the option is agreed";
  EXPECT_EQ(client.settingsAnswer(), SettingsAnswer::kPending);

  feed(client, kServerOpening);
  const Bytes expected = join({
      {kIac, kDo, 3, kIac, kWill, 3},  // suppress go-ahead, both ways
      {kIac, kDont, 1},                // no echo
      sb({1, 0, 0, 0xE1, 0x00}),       // 57600
      sb({2, 8}),
      sb({3, 3}),
      sb({4, 2}),
      sb({10, 0x1E}),  // tell of overrun, parity, framing errors and breaks
  });
  EXPECT_EQ(client.takeOutgoing(), expected);
  feed(client, agreement());
  EXPECT_EQ(client.settingsAnswer(), SettingsAnswer::kAgreed);
  EXPECT_EQ(client.refusal(), "");
}

TEST(ComPortClientTest, ARateWithAn0xFFByteIsEscapedInsideTheSubnegotiation) {
  ComPortClient client(LineProtocol::kComPort);
  client.start();
  feed(client, {kIac, kDo, kCom});
  client.takeOutgoing();
  LineState state = lab1Line();
  state.baudRate = 0x0001FF00;
  client.requestLine(state);
  const Bytes sent = client.takeOutgoing();
  const Bytes rate = {kIac, kSb, kCom, 1, 0, 1, kIac, kIac, 0, kIac, kSe};
  ASSERT_GE(sent.size(), rate.size());
  EXPECT_EQ(Bytes(sent.begin(), sent.begin() + static_cast<long>(rate.size())), rate);
}

TEST(ComPortClientTest, AnAnswerThatDiffersIsARefusedSetting) {
  struct Case {
    Bytes answer;
    const char* refusal;
  };
  const Case cases[] = {
      {sb({101, 0, 0, 0x96, 0x00}), "baud rate 57600 was asked, the server set 38400"},
      {sb({102, 7}), "data bits 8 were asked, the server set 7"},
      {sb({103, 1}), "parity EVEN was asked, the server set NONE"},
      {sb({104, 1}), "stop bits 2 were asked, the server set 1"},
      {{kIac, kDont, kCom},
       "the server does not take line settings (it declined the com-port option)"},
  };
  for (const Case& c : cases) {
    ComPortClient client(LineProtocol::kComPort);
    client.start();
    client.requestLine(lab1Line());
    if (c.answer[1] != kDont) feed(client, {kIac, kDo, kCom});
    feed(client, c.answer);
    EXPECT_EQ(client.settingsAnswer(), SettingsAnswer::kRefused) << c.refusal;
    EXPECT_EQ(client.refusal(), c.refusal);
    feed(client, agreement());
    EXPECT_EQ(client.settingsAnswer(), SettingsAnswer::kRefused) << "a refusal stands";
  }
}

TEST(ComPortClientTest, ARateWithin3PercentIsTaken) {
  ComPortClient client(LineProtocol::kComPort);
  client.start();
  client.requestLine(lab1Line());
  feed(client, {kIac, kDo, kCom});
  // 57600 asked, 57000 set: a clock divider's nearest rate.
  feed(client, join({sb({101, 0, 0, 0xDE, 0xA8}), sb({102, 8}), sb({103, 3}), sb({104, 2})}));
  EXPECT_EQ(client.settingsAnswer(), SettingsAnswer::kAgreed);
}

TEST(ComPortClientTest, LineStateNoticesCountAsLowerBounds) {
  ComPortClient client(LineProtocol::kComPort);
  client.start();
  EXPECT_FALSE(client.lineErrors().framing.has_value()) << "unknown before the option is agreed";
  feed(client, {kIac, kDo, kCom});
  feed(client, join({sb({106, 0x02}), sb({106, 0x0C}), sb({106, 0x18}), sb({106, 0x61}), sb({106}),
                     sb({106, 1, 2})}));
  const platform::LineErrorCounts counts = client.lineErrors();
  EXPECT_EQ(counts.overrun, 1u);
  EXPECT_EQ(counts.parity, 1u);
  EXPECT_EQ(counts.framing, 2u);
  EXPECT_EQ(counts.breaks, 1u);
  EXPECT_TRUE(counts.atLeast) << "a notice tells which errors happened, not how many";
  EXPECT_FALSE(counts.bufferOverrun.has_value()) << "the server does not tell of its queue";
}

TEST(ComPortClientTest, LineDataComesOutUnescapedAndNeverGoesBack) {
  ComPortClient client(LineProtocol::kComPort);
  client.start();
  client.takeOutgoing();
  Bytes line, stream;
  for (int i = 0; i < 1024; ++i) {
    const auto byte = static_cast<std::uint8_t>(i % 3 == 0 ? 0xFF : i);
    line.push_back(byte);
    stream.push_back(byte);
    if (byte == kIac) stream.push_back(kIac);
  }
  EXPECT_EQ(feed(client, join({kServerOpening, stream, agreement()})), line);
  const Bytes sent = client.takeOutgoing();
  EXPECT_LT(sent.size(), 60u) << "negotiation only";
}

TEST(ComPortClientTest, ARawLinePassesEveryByteAndSendsNothing) {
  ComPortClient client(LineProtocol::kRaw);
  client.start();
  client.requestLine(lab1Line());
  EXPECT_EQ(client.settingsAnswer(), SettingsAnswer::kAgreed);
  Bytes stream = kServerOpening;
  for (int value = 0; value < 256; ++value) stream.push_back(static_cast<std::uint8_t>(value));
  EXPECT_EQ(feed(client, stream), stream);
  EXPECT_TRUE(client.takeOutgoing().empty());
  EXPECT_FALSE(client.lineErrors().parity.has_value());
}

// A server that asks and offers without end, toggles options and mixes in
// subnegotiations: the client's replies stop at its budget.
TEST(ComPortClientTest, AnOptionStormCannotMakeTheClientSendWithoutBound) {
  ComPortClient client(LineProtocol::kComPort);
  client.start();
  client.requestLine(lab1Line());
  std::mt19937 random(2217);
  std::size_t sent = 0;
  for (int round = 0; round < 2000; ++round) {
    Bytes storm;
    for (int i = 0; i < 256; ++i) {
      const auto verb = static_cast<std::uint8_t>(kWill + random() % 4);
      storm.insert(storm.end(),
                   {kIac, verb, static_cast<std::uint8_t>(random() % 6 == 0 ? kCom : random())});
    }
    storm.insert(storm.end(), {kIac, kSb, kCom, 1, kIac, kSe});
    feed(client, storm);
    sent += client.takeOutgoing().size();
  }
  EXPECT_LE(sent, ComPortClient::kMaxBytesSent);
  EXPECT_EQ(client.bytesSent(), sent);
}

TEST(ComPortClientTest, AnsweredRequestsAreNotAnsweredAgainOnceAgreed) {
  ComPortClient client(LineProtocol::kComPort);
  client.start();
  client.takeOutgoing();
  feed(client, {kIac, kDo, 0, kIac, kWill, 0});  // our offers agreed: nothing to say
  EXPECT_TRUE(client.takeOutgoing().empty());
  feed(client, {kIac, kDo, 0, kIac, kWill, 0});  // said again: still in effect
  EXPECT_TRUE(client.takeOutgoing().empty());
  feed(client, {kIac, kWont, 0});  // the server stops sending binary
  EXPECT_EQ(client.takeOutgoing(), (Bytes{kIac, kDont, 0}));
  EXPECT_EQ(feed(client, {'\r', 0, 'x'}), (Bytes{'\r', 'x'})) << "CR NUL outside binary mode";
}

}  // namespace
