#include "platform/network/telnet_receiver.h"

namespace platform::network::telnet {

void TelnetReceiver::command(std::uint8_t byte, std::vector<std::uint8_t>& data) {
  switch (byte) {
    case kIac:  // an escaped 0xFF of the line
      data.push_back(kIac);
      state_ = State::kData;
      return;
    case kWill:
    case kWont:
    case kDo:
    case kDont:
      verb_ = byte;
      state_ = State::kOption;
      return;
    case kSb:
      state_ = State::kSubOption;
      return;
    default:  // NOP, GA, a stray SE and the rest carry nothing for a receiver
      state_ = State::kData;
      return;
  }
}

void TelnetReceiver::receive(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& data,
                             CommandSink& sink) {
  for (const std::uint8_t byte : bytes) {
    switch (state_) {
      case State::kAfterCr:
        state_ = State::kData;
        if (byte == 0) break;  // CR NUL stands for a bare CR
        [[fallthrough]];
      case State::kData:
        if (byte == kIac) {
          state_ = State::kCommand;
        } else {
          data.push_back(byte);
          if (byte == '\r' && !peerBinary_) state_ = State::kAfterCr;
        }
        break;
      case State::kCommand:
        command(byte, data);
        break;
      case State::kOption:
        state_ = State::kData;
        sink.negotiation(verb_, byte);
        break;
      case State::kSubOption:
        subOption_ = byte;
        sub_.clear();
        subTooLong_ = false;
        state_ = State::kSubData;
        break;
      case State::kSubData:
        if (byte == kIac) {
          state_ = State::kSubCommand;
        } else if (sub_.size() < kMaxSubnegotiation) {
          sub_.push_back(byte);
        } else {
          subTooLong_ = true;
        }
        break;
      case State::kSubCommand:
        if (byte == kIac) {  // an escaped 0xFF inside the subnegotiation
          state_ = State::kSubData;
          if (sub_.size() < kMaxSubnegotiation) {
            sub_.push_back(kIac);
          } else {
            subTooLong_ = true;
          }
        } else if (byte == kSe) {
          state_ = State::kData;
          if (!subTooLong_) sink.subnegotiation(subOption_, sub_);
          sub_.clear();
        } else {
          // A subnegotiation cut short by another command: it is dropped
          // and the command taken as if it stood alone.
          sub_.clear();
          command(byte, data);
        }
        break;
    }
  }
}

}  // namespace platform::network::telnet
