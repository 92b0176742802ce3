// Packets of a classic pcap file of link type 250 (LINKTYPE_RTAC_SERIAL), the
// serial-line link type the analysers read: after the 16-byte pcap record
// header, a 12-byte line header (seconds and microseconds, 32-bit
// big-endian each; an event type; one byte of control-line states; a 2-byte
// footer) and the received bytes.
//
// How a capture maps onto it, the same in every file the tools write:
//   - port A's bytes are DATA_TX_START (0x01) packets, port B's DATA_RX_START
//     (0x02), as the window shows requests (A) and replies (B);
//   - the footer holds the port tag of the capture record (1 port A, 2 port
//     B), on data and on event packets, so a line error tells its port;
//   - the control-line byte is 0: the tools do not read the modem lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace pcap_export {

inline constexpr std::uint32_t kLinkTypeSerialLine = 250;
inline constexpr std::size_t kFileHeaderBytes = 24;
inline constexpr std::size_t kRecordHeaderBytes = 16;
inline constexpr std::size_t kLineHeaderBytes = 12;
inline constexpr std::uint32_t kSnapLength = 65535;
// The most bytes one packet carries, within the file's snapshot length.
inline constexpr std::size_t kMaxPayloadBytes = kSnapLength - kLineHeaderBytes;

inline constexpr int kPortTagA = 1;
inline constexpr int kPortTagB = 2;

// The event types of the link type's line header.
enum class LineEvent : std::uint8_t {
  StatusChange = 0x00,  // the capture's description (first packet of a recording)
  DataTxStart = 0x01,   // port A's bytes
  DataRxStart = 0x02,   // port B's bytes
  CaptureDataLost = 0x05,
  FramingError = 0x07,
  ParityError = 0x08,
  SerialBreak = 0x09,
  SerialOverflow = 0x0A,
};

// DATA_TX_START for port A (tag 1), DATA_RX_START for every other tag.
LineEvent dataEventOfPort(int portTag);

struct SerialPacket {
  std::int64_t timeMicros = 0;  // since 1970-01-01T00:00:00Z
  LineEvent event = LineEvent::DataTxStart;
  std::uint16_t footer = 0;  // the port tag, 0 for the description
  std::vector<std::uint8_t> payload;
};

// The 24-byte file header: little-endian magic a1b2c3d4 (microseconds),
// version 2.4, snapshot length 65535, link type 250.
void appendFileHeader(std::vector<std::uint8_t>& out);

// One whole packet record: pcap record header, line header, payload (at
// most kMaxPayloadBytes of it).
void appendPacket(std::vector<std::uint8_t>& out, const SerialPacket& packet);

// The size appendPacket gives a packet.
std::size_t packetRecordBytes(const SerialPacket& packet);

}  // namespace pcap_export
