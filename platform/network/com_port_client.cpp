#include "platform/network/com_port_client.h"

namespace platform::network {
namespace {

using namespace telnet;

// Com-port commands of the client; the server answers each with 100 more.
constexpr std::uint8_t kSetBaudRate = 1;
constexpr std::uint8_t kSetDataSize = 2;
constexpr std::uint8_t kSetParity = 3;
constexpr std::uint8_t kSetStopSize = 4;
constexpr std::uint8_t kNotifyLineState = 6;
constexpr std::uint8_t kSetLineStateMask = 10;
constexpr std::uint8_t kServerReply = 100;

// Line-state bits the server is asked to tell of.
constexpr std::uint8_t kOverrunError = 0x02;
constexpr std::uint8_t kParityError = 0x04;
constexpr std::uint8_t kFramingError = 0x08;
constexpr std::uint8_t kBreakDetected = 0x10;
constexpr std::uint8_t kErrorMask = kOverrunError | kParityError | kFramingError | kBreakDetected;

// One bit per answer awaited.
constexpr unsigned bitOf(std::uint8_t command) { return 1u << command; }

// The protocol's codes for the seam's parity and stop-bit codes.
std::uint8_t parityWireCode(std::uint8_t parity) {
  switch (parity) {
    case kOddParity:
      return 2;
    case kEvenParity:
      return 3;
    case kMarkParity:
      return 4;
    case kSpaceParity:
      return 5;
    default:
      return 1;
  }
}

std::uint8_t stopWireCode(std::uint8_t stopBits) {
  switch (stopBits) {
    case kTwoStopBits:
      return 2;
    case kOneAndHalfStopBits:
      return 3;
    default:
      return 1;
  }
}

const char* parityWireName(std::uint8_t code) {
  static const char* const kNames[] = {"(none given)", "NONE", "ODD", "EVEN", "MARK", "SPACE"};
  return code < 6 ? kNames[code] : "(unknown)";
}

const char* stopWireName(std::uint8_t code) {
  static const char* const kNames[] = {"(none given)", "1", "2", "1.5"};
  return code < 4 ? kNames[code] : "(unknown)";
}

// A rate set within 3 % of the one asked is the rate asked: a server may
// round to what its clock divides to, and a UART tolerates that.
bool rateTaken(std::uint32_t asked, std::uint32_t taken) {
  const std::uint64_t difference = asked > taken ? asked - taken : taken - asked;
  return difference * 100 <= static_cast<std::uint64_t>(asked) * 3;
}

// Options the client takes on when the server asks or offers them.
bool weDoOption(std::uint8_t option) {
  return option == kBinaryOption || option == kSuppressGoAheadOption || option == kComPortOption;
}
bool serverMayDo(std::uint8_t option) {
  return option == kBinaryOption || option == kSuppressGoAheadOption;
}

}  // namespace

const char* parityName(std::uint8_t parityCode) {
  return parityWireName(parityWireCode(parityCode));
}
const char* stopBitsName(std::uint8_t stopBitsCode) {
  return stopWireName(stopWireCode(stopBitsCode));
}

ComPortClient::ComPortClient(LineProtocol protocol) : protocol_(protocol) {}

void ComPortClient::send(std::span<const std::uint8_t> bytes) {
  if (bytesSent_ + bytes.size() > kMaxBytesSent) return;
  bytesSent_ += bytes.size();
  outgoing_.insert(outgoing_.end(), bytes.begin(), bytes.end());
}

void ComPortClient::sendCommand(std::uint8_t command, std::uint8_t option) {
  const std::uint8_t bytes[] = {kIac, command, option};
  send(bytes);
}

void ComPortClient::start() {
  if (protocol_ != LineProtocol::kComPort) return;
  us_[kBinaryOption] = Side::kWantYes;
  sendCommand(kWill, kBinaryOption);
  him_[kBinaryOption] = Side::kWantYes;
  sendCommand(kDo, kBinaryOption);
  us_[kComPortOption] = Side::kWantYes;
  sendCommand(kWill, kComPortOption);
}

void ComPortClient::requestLine(const LineState& state) {
  asked_ = state;
  settingsSent_ = false;
  if (protocol_ != LineProtocol::kComPort) {
    answer_ = SettingsAnswer::kAgreed;
    return;
  }
  answer_ = SettingsAnswer::kPending;
  refusal_.clear();
  if (comPortInUse_) sendSettings();
}

void ComPortClient::sendSettings() {
  if (!asked_ || settingsSent_) return;
  settingsSent_ = true;
  const LineState& state = *asked_;
  const std::uint32_t rate = state.baudRate;
  const std::uint8_t values[][5] = {
      {kSetBaudRate, static_cast<std::uint8_t>(rate >> 24), static_cast<std::uint8_t>(rate >> 16),
       static_cast<std::uint8_t>(rate >> 8), static_cast<std::uint8_t>(rate)},
      {kSetDataSize, state.byteSize},
      {kSetParity, parityWireCode(state.parity)},
      {kSetStopSize, stopWireCode(state.stopBits)},
      {kSetLineStateMask, kErrorMask}};
  const std::size_t lengths[] = {5, 2, 2, 2, 2};
  for (std::size_t i = 0; i < std::size(lengths); ++i) {
    std::vector<std::uint8_t> message = {kIac, kSb, kComPortOption};
    for (std::size_t at = 0; at < lengths[i]; ++at) {
      message.push_back(values[i][at]);
      if (values[i][at] == kIac) message.push_back(kIac);  // doubled inside too
    }
    message.insert(message.end(), {kIac, kSe});
    send(message);
  }
  pendingAnswers_ =
      bitOf(kSetBaudRate) | bitOf(kSetDataSize) | bitOf(kSetParity) | bitOf(kSetStopSize);
}

void ComPortClient::comPortAgreed() {
  comPortInUse_ = true;
  sendSettings();
}

void ComPortClient::refuse(std::string why) {
  if (answer_ == SettingsAnswer::kRefused) return;  // the first reason stands
  answer_ = SettingsAnswer::kRefused;
  refusal_ = std::move(why);
}

void ComPortClient::negotiation(std::uint8_t command, std::uint8_t option) {
  const bool offer = command == kWill || command == kWont;
  Side& side = offer ? him_[option] : us_[option];
  const bool wants = command == kWill || command == kDo;
  const bool acceptable = offer ? serverMayDo(option) : weDoOption(option);
  const std::uint8_t yes = offer ? kDo : kWill;
  const std::uint8_t no = offer ? kDont : kWont;
  const Side before = side;
  if (wants) {
    if (side == Side::kNo) {
      side = acceptable ? Side::kYes : Side::kNo;
      sendCommand(acceptable ? yes : no, option);
    } else if (side != Side::kYes) {
      side = Side::kYes;  // our own request agreed (or, against the rules, our refusal overruled)
    }
  } else {
    if (side == Side::kYes) sendCommand(no, option);
    side = Side::kNo;
  }
  if (option == kBinaryOption && offer) receiver_.setPeerSendsBinary(him_[option] == Side::kYes);
  if (option == kComPortOption && !offer) {
    if (side == Side::kYes && before != Side::kYes) comPortAgreed();
    if (side == Side::kNo && before != Side::kNo) {
      comPortInUse_ = false;
      if (answer_ == SettingsAnswer::kPending) {
        refuse("the server does not take line settings (it declined the com-port option)");
      }
    }
  }
}

void ComPortClient::answered(std::uint8_t command, std::span<const std::uint8_t> value) {
  if ((pendingAnswers_ & bitOf(command)) == 0 || !asked_) return;  // not asked: news only
  const LineState& asked = *asked_;
  if (command == kSetBaudRate) {
    if (value.size() != 4) return;
    const std::uint32_t rate = (std::uint32_t{value[0]} << 24) | (std::uint32_t{value[1]} << 16) |
                               (std::uint32_t{value[2]} << 8) | value[3];
    if (!rateTaken(asked.baudRate, rate)) {
      refuse("baud rate " + std::to_string(asked.baudRate) + " was asked, the server set " +
             std::to_string(rate));
    }
  } else {
    if (value.size() != 1) return;
    const std::uint8_t code = value[0];
    if (command == kSetDataSize && code != asked.byteSize) {
      refuse("data bits " + std::to_string(asked.byteSize) + " were asked, the server set " +
             std::to_string(code));
    } else if (command == kSetParity && code != parityWireCode(asked.parity)) {
      refuse(std::string("parity ") + parityName(asked.parity) + " was asked, the server set " +
             parityWireName(code));
    } else if (command == kSetStopSize && code != stopWireCode(asked.stopBits)) {
      refuse(std::string("stop bits ") + stopBitsName(asked.stopBits) +
             " were asked, the server set " + stopWireName(code));
    }
  }
  pendingAnswers_ &= ~bitOf(command);
  if (pendingAnswers_ == 0 && answer_ == SettingsAnswer::kPending) {
    answer_ = SettingsAnswer::kAgreed;
  }
}

void ComPortClient::subnegotiation(std::uint8_t option, std::span<const std::uint8_t> payload) {
  if (option != kComPortOption || payload.empty() || payload[0] < kServerReply) return;
  const auto command = static_cast<std::uint8_t>(payload[0] - kServerReply);
  const auto value = payload.subspan(1);
  if (command == kNotifyLineState) {
    if (value.size() != 1) return;
    if ((value[0] & kOverrunError) != 0) ++overruns_;
    if ((value[0] & kParityError) != 0) ++parityErrors_;
    if ((value[0] & kFramingError) != 0) ++framingErrors_;
    if ((value[0] & kBreakDetected) != 0) ++breaks_;
  } else if (command >= kSetBaudRate && command <= kSetStopSize) {
    answered(command, value);
  }
}

void ComPortClient::receive(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& data) {
  if (protocol_ == LineProtocol::kRaw) {
    data.insert(data.end(), bytes.begin(), bytes.end());
    return;
  }
  receiver_.receive(bytes, data, *this);
}

std::vector<std::uint8_t> ComPortClient::takeOutgoing() {
  std::vector<std::uint8_t> taken;
  taken.swap(outgoing_);
  return taken;
}

LineErrorCounts ComPortClient::lineErrors() const {
  if (protocol_ != LineProtocol::kComPort || !comPortInUse_) return {};
  LineErrorCounts counts;
  counts.parity = parityErrors_;
  counts.framing = framingErrors_;
  counts.overrun = overruns_;
  counts.breaks = breaks_;
  // A notice says which errors the server saw, not how many.
  counts.atLeast = true;
  return counts;
}

}  // namespace platform::network
