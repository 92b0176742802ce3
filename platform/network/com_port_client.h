// The client side of a remote line's protocol, without sockets or clocks:
// what to send when connected, how the server's answers are taken, and the
// line's data out of what arrives. A raw line is bytes and nothing else; a
// Telnet com-port line (RFC 2217) negotiates binary mode both ways and the
// com-port option, sets the line's rate, data bits, parity and stop bits,
// and asks to be told of overrun, parity, framing errors and breaks.
//
// Nothing of the line's data is ever sent: only negotiation, and at most
// kMaxBytesSent of it per connection, so a server that floods requests
// cannot make the client send without bound.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/comm/comm_backend.h"
#include "platform/network/telnet_receiver.h"

namespace platform::network {

enum class LineProtocol { kRaw, kComPort };

// How the server answered the line settings asked for.
enum class SettingsAnswer { kNoneAsked, kPending, kAgreed, kRefused };

class ComPortClient final : private telnet::CommandSink {
 public:
  // The most a connection ever sends: the opening offers and the settings
  // take about 60 bytes; the rest answers the server's requests.
  static constexpr std::size_t kMaxBytesSent = 1024;

  explicit ComPortClient(LineProtocol protocol);

  // The opening offers, queued for sending once connected.
  void start();

  // Queues the line settings; they go out once the server has agreed to the
  // com-port option. A raw line takes them as agreed: its settings are the
  // server's business.
  void requestLine(const LineState& state);

  // Takes bytes from the connection; the line's data is appended to data.
  void receive(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& data);

  // What is queued for sending, handed over once.
  std::vector<std::uint8_t> takeOutgoing();

  SettingsAnswer settingsAnswer() const { return answer_; }
  // Why the settings were refused, such as "parity EVEN was asked, the
  // server set ODD".
  const std::string& refusal() const { return refusal_; }

  // Line errors the server told of. Each notice counts once, however many
  // errors it stood for, so the counts are lower bounds; unknown on a raw
  // line and before the com-port option is agreed.
  LineErrorCounts lineErrors() const;

  std::size_t bytesSent() const { return bytesSent_; }

 private:
  // RFC 1143's states of one side of an option.
  enum class Side : std::uint8_t { kNo, kYes, kWantNo, kWantYes };

  void negotiation(std::uint8_t command, std::uint8_t option) override;
  void subnegotiation(std::uint8_t option, std::span<const std::uint8_t> payload) override;

  void send(std::span<const std::uint8_t> bytes);
  void sendCommand(std::uint8_t command, std::uint8_t option);
  void sendSettings();
  void comPortAgreed();
  void answered(std::uint8_t command, std::span<const std::uint8_t> value);
  void refuse(std::string why);

  LineProtocol protocol_;
  telnet::TelnetReceiver receiver_;
  std::vector<std::uint8_t> outgoing_;
  std::size_t bytesSent_ = 0;
  Side us_[256] = {};   // what we do (WILL/WONT)
  Side him_[256] = {};  // what the server does (DO/DONT)
  std::optional<LineState> asked_;
  bool settingsSent_ = false;
  unsigned pendingAnswers_ = 0;  // one bit per setting not yet answered
  SettingsAnswer answer_ = SettingsAnswer::kNoneAsked;
  std::string refusal_;
  bool comPortInUse_ = false;
  std::uint64_t overruns_ = 0, parityErrors_ = 0, framingErrors_ = 0, breaks_ = 0;
};

// The names a user reads for the setting codes of the comm seam.
const char* parityName(std::uint8_t parityCode);
const char* stopBitsName(std::uint8_t stopBitsCode);

}  // namespace platform::network
