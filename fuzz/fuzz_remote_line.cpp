// Fuzz target: what a remote line's server sends, taken by the com-port
// client. The first input byte sets the read boundaries, the rest is the
// server's stream. The same stream read whole and read in pieces must give
// the same line data, the same replies and the same answer to the settings;
// the replies stay within their budget and hold no byte of line data; a raw
// line hands the stream over unchanged and sends nothing.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "platform/network/com_port_client.h"
#include "platform/network/telnet_receiver.h"

namespace {

using platform::network::ComPortClient;
using platform::network::LineProtocol;
using Bytes = std::vector<std::uint8_t>;

struct Outcome {
  Bytes data;
  Bytes sent;
};

platform::LineState askedLine() {
  platform::LineState state;
  state.baudRate = 57600;
  state.byteSize = 8;
  state.parity = platform::kEvenParity;
  state.stopBits = platform::kTwoStopBits;
  return state;
}

Outcome run(ComPortClient& client, std::span<const std::uint8_t> stream, std::size_t piece) {
  Outcome outcome;
  client.start();
  client.requestLine(askedLine());
  for (std::size_t at = 0; at < stream.size(); at += piece) {
    client.receive(stream.subspan(at, std::min(piece, stream.size() - at)), outcome.data);
    const Bytes sent = client.takeOutgoing();
    outcome.sent.insert(outcome.sent.end(), sent.begin(), sent.end());
  }
  const Bytes sent = client.takeOutgoing();
  outcome.sent.insert(outcome.sent.end(), sent.begin(), sent.end());
  return outcome;
}

// Whatever the client sent, read as a Telnet stream, holds no line data.
struct Silent final : platform::network::telnet::CommandSink {
  void negotiation(std::uint8_t, std::uint8_t) override {}
  void subnegotiation(std::uint8_t, std::span<const std::uint8_t>) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = 1 + data[0] % 17;
  const std::span<const std::uint8_t> stream(data + 1, size - 1);

  ComPortClient whole(LineProtocol::kComPort);
  ComPortClient pieces(LineProtocol::kComPort);
  const Outcome a = run(whole, stream, stream.size() + 1);
  const Outcome b = run(pieces, stream, piece);
  FUZZ_CHECK(a.data == b.data);
  FUZZ_CHECK(a.sent == b.sent);
  FUZZ_CHECK(whole.settingsAnswer() == pieces.settingsAnswer());
  FUZZ_CHECK(whole.refusal() == pieces.refusal());
  FUZZ_CHECK(whole.lineErrors() == pieces.lineErrors());
  FUZZ_CHECK(a.data.size() <= stream.size());
  FUZZ_CHECK(a.sent.size() <= ComPortClient::kMaxBytesSent);
  FUZZ_CHECK(a.sent.size() == whole.bytesSent());

  platform::network::telnet::TelnetReceiver reader;
  reader.setPeerSendsBinary(true);
  Silent silent;
  Bytes lineBytes;
  reader.receive(a.sent, lineBytes, silent);
  FUZZ_CHECK(lineBytes.empty());

  ComPortClient raw(LineProtocol::kRaw);
  const Outcome r = run(raw, stream, piece);
  FUZZ_CHECK(r.data == Bytes(stream.begin(), stream.end()));
  FUZZ_CHECK(r.sent.empty());
  return 0;
}
