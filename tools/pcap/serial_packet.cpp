#include "tools/pcap/serial_packet.h"

#include <algorithm>

namespace pcap_export {

namespace {

constexpr std::uint32_t kMagicMicroseconds = 0xA1B2C3D4;
constexpr std::int64_t kMicrosPerSecond = 1'000'000;

void littleEndian32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(std::uint8_t(value >> shift));
}
void littleEndian16(std::vector<std::uint8_t>& out, std::uint16_t value) {
  out.push_back(std::uint8_t(value));
  out.push_back(std::uint8_t(value >> 8));
}
void bigEndian32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(value >> shift));
}

std::size_t payloadBytes(const SerialPacket& packet) {
  return std::min(packet.payload.size(), kMaxPayloadBytes);
}

}  // namespace

LineEvent dataEventOfPort(int portTag) {
  return portTag == kPortTagA ? LineEvent::DataTxStart : LineEvent::DataRxStart;
}

void appendFileHeader(std::vector<std::uint8_t>& out) {
  littleEndian32(out, kMagicMicroseconds);
  littleEndian16(out, 2);
  littleEndian16(out, 4);
  littleEndian32(out, 0);  // times are UTC
  littleEndian32(out, 0);  // accuracy, always 0
  littleEndian32(out, kSnapLength);
  littleEndian32(out, kLinkTypeSerialLine);
}

std::size_t packetRecordBytes(const SerialPacket& packet) {
  return kRecordHeaderBytes + kLineHeaderBytes + payloadBytes(packet);
}

void appendPacket(std::vector<std::uint8_t>& out, const SerialPacket& packet) {
  const std::int64_t time = std::max<std::int64_t>(packet.timeMicros, 0);
  // 32-bit seconds, as the classic format has them (good until 2106).
  const auto seconds = static_cast<std::uint32_t>(time / kMicrosPerSecond);
  const auto micros = static_cast<std::uint32_t>(time % kMicrosPerSecond);
  const std::size_t payload = payloadBytes(packet);
  const auto length = static_cast<std::uint32_t>(kLineHeaderBytes + payload);
  littleEndian32(out, seconds);
  littleEndian32(out, micros);
  littleEndian32(out, length);  // captured
  littleEndian32(out, length);  // on the line
  bigEndian32(out, seconds);
  bigEndian32(out, micros);
  out.push_back(static_cast<std::uint8_t>(packet.event));
  out.push_back(0);  // control lines: not read
  out.push_back(std::uint8_t(packet.footer >> 8));
  out.push_back(std::uint8_t(packet.footer));
  out.insert(out.end(), packet.payload.begin(), packet.payload.begin() + long(payload));
}

}  // namespace pcap_export
