// The receiving half of a Telnet connection, fed as bytes arrive: it splits
// the stream into the line's data and the protocol's commands. It keeps its
// state between calls, so a command cut by a read boundary anywhere (even
// between IAC and the byte after it) is taken up where it stopped. It never
// reads the clock or a socket; what comes in is untrusted.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace platform::network::telnet {

inline constexpr std::uint8_t kSe = 240;
inline constexpr std::uint8_t kSb = 250;
inline constexpr std::uint8_t kWill = 251;
inline constexpr std::uint8_t kWont = 252;
inline constexpr std::uint8_t kDo = 253;
inline constexpr std::uint8_t kDont = 254;
inline constexpr std::uint8_t kIac = 255;

inline constexpr std::uint8_t kBinaryOption = 0;
inline constexpr std::uint8_t kEchoOption = 1;
inline constexpr std::uint8_t kSuppressGoAheadOption = 3;
inline constexpr std::uint8_t kComPortOption = 44;

// What the receiver tells about the commands it took out of the stream.
class CommandSink {
 public:
  virtual ~CommandSink() = default;
  // WILL, WONT, DO or DONT for an option.
  virtual void negotiation(std::uint8_t command, std::uint8_t option) = 0;
  // A whole subnegotiation, IAC IAC inside it undone. One longer than
  // kMaxSubnegotiation is dropped unseen.
  virtual void subnegotiation(std::uint8_t option, std::span<const std::uint8_t> payload) = 0;
};

class TelnetReceiver {
 public:
  // The longest subnegotiation payload kept; the com-port replies are at
  // most 5 bytes, a server's signature text a few dozen.
  static constexpr std::size_t kMaxSubnegotiation = 255;

  // Appends the line's bytes to data (IAC IAC as one 0xFF) and tells sink
  // about commands, in the order they came.
  void receive(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& data,
               CommandSink& sink);

  // While the sender's side is not in binary mode, a CR is sent as CR NUL
  // (the network virtual terminal's rule): the NUL is not line data then.
  void setPeerSendsBinary(bool binary) { peerBinary_ = binary; }

 private:
  enum class State { kData, kAfterCr, kCommand, kOption, kSubOption, kSubData, kSubCommand };

  void command(std::uint8_t byte, std::vector<std::uint8_t>& data);

  State state_ = State::kData;
  std::uint8_t verb_ = 0;       // the WILL/WONT/DO/DONT waiting for its option
  std::uint8_t subOption_ = 0;  // the option of the subnegotiation being read
  std::vector<std::uint8_t> sub_;
  bool subTooLong_ = false;
  bool peerBinary_ = false;
};

}  // namespace platform::network::telnet
