#include "tools/line_simulator/protocol_pattern.h"

#include <string>
#include <string_view>

namespace linesim {
namespace {

constexpr std::uint8_t kReadHoldingRegisters = 0x03;

void appendText(std::vector<std::uint8_t>& out, std::string_view text) {
  out.insert(out.end(), text.begin(), text.end());
}

std::string num(unsigned value) { return std::to_string(value); }

std::string twoDigits(unsigned value) { return (value < 10 ? "0" : "") + std::to_string(value); }

void appendCrc(std::vector<std::uint8_t>& frame) {
  const std::uint16_t crc = frameCrc16(frame);
  frame.push_back(static_cast<std::uint8_t>(crc & 0xFFu));
  frame.push_back(static_cast<std::uint8_t>(crc >> 8));
}

}  // namespace

std::uint16_t frameCrc16(std::span<const std::uint8_t> bytes) {
  std::uint16_t crc = 0xFFFF;
  for (std::uint8_t b : bytes) {
    crc = static_cast<std::uint16_t>(crc ^ b);
    for (int bit = 0; bit < 8; ++bit) {
      crc = (crc & 1u) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001u)
                       : static_cast<std::uint16_t>(crc >> 1);
    }
  }
  return crc;
}

ProtocolScript::ProtocolScript(std::uint64_t seed, std::size_t pairIndex, ExchangeKinds kinds)
    : prng_(seed ^ (0xA24BAED4963EE407ull * (static_cast<std::uint64_t>(pairIndex) + 1))),
      kinds_(kinds) {}

Exchange ProtocolScript::next() {
  if (kinds_ == ExchangeKinds::modbusRtu) return binaryRead();
  switch (exchangeCount_++ % 3) {
    case 0:
      return asciiRead();
    case 1:
      return binaryRead();
    default:
      return statusQuery();
  }
}

Exchange ProtocolScript::asciiRead() {
  Exchange e;
  const unsigned address = 1 + prng_.below(32);
  const unsigned reg = prng_.below(100);
  const unsigned value = prng_.below(65536);
  appendText(e.request, "AT+READ=" + num(address) + "," + num(reg) + "\r\n");
  if (reg > 95) {
    appendText(e.reply, "ERROR\r\n");
  } else {
    appendText(e.reply,
               "+READ: " + num(address) + "," + num(reg) + "," + num(value) + "\r\nOK\r\n");
  }
  return e;
}

Exchange ProtocolScript::binaryRead() {
  Exchange e;
  const auto address = static_cast<std::uint8_t>(1 + prng_.below(32));
  const auto start = static_cast<std::uint16_t>(prng_.below(256));
  const auto count = static_cast<std::uint8_t>(1 + prng_.below(8));
  e.request = {address,
               kReadHoldingRegisters,
               static_cast<std::uint8_t>(start >> 8),
               static_cast<std::uint8_t>(start & 0xFFu),
               0,
               count};
  appendCrc(e.request);
  e.reply = {address, kReadHoldingRegisters, static_cast<std::uint8_t>(2 * count)};
  for (unsigned i = 0; i < count; ++i) {
    const auto value = static_cast<std::uint16_t>(prng_.below(65536));
    e.reply.push_back(static_cast<std::uint8_t>(value >> 8));
    e.reply.push_back(static_cast<std::uint8_t>(value & 0xFFu));
  }
  appendCrc(e.reply);
  return e;
}

Exchange ProtocolScript::statusQuery() {
  Exchange e;
  const unsigned tenthsCelsius = 150 + prng_.below(150);
  const unsigned centivolts = 1150 + prng_.below(150);
  const unsigned humidity = 20 + prng_.below(60);
  appendText(e.request, "AT+STAT?\r\n");
  appendText(e.reply, "+STAT: T=" + num(tenthsCelsius / 10) + "." + num(tenthsCelsius % 10) +
                          "C,V=" + num(centivolts / 100) + "." + twoDigits(centivolts % 100) +
                          "V,RH=" + num(humidity) + "%\r\nOK\r\n");
  return e;
}

ProtocolSideStream::ProtocolSideStream(std::uint64_t seed, std::size_t lineIndex,
                                       ExchangeKinds kinds)
    : script_(seed, lineIndex / 2, kinds), replySide_(lineIndex % 2 == 1) {}

void ProtocolSideStream::fill(std::span<std::uint8_t> out) {
  for (std::uint8_t& b : out) {
    while (frameOffset_ == frame_.size()) {
      Exchange e = script_.next();
      frame_ = replySide_ ? std::move(e.reply) : std::move(e.request);
      frameOffset_ = 0;
    }
    b = frame_[frameOffset_++];
  }
}

}  // namespace linesim
