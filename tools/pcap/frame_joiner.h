// Frames, not polls: joins the packets of one port that follow each other
// with less silence between them than a given gap, so a protocol frame that
// two polls split becomes one packet again, and hands the packets out in
// time order.
//
// A poll sees only what arrived since the last one, so silence is known only
// to the polling's precision: between a port's bytes read at poll t1 and its
// next bytes read at poll t2, the line was silent for at least the time from
// t1 to the poll before t2 (which found nothing new). Packets are joined
// while that proven silence is shorter than the gap: bytes of consecutive
// polls are always joined (gap > 0), bytes with a whole empty poll of at
// least the gap between them never. A joined packet keeps the time of its
// first part; it is closed early when it would pass the packet size limit
// or when an event of its port comes.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "tools/pcap/serial_packet.h"

namespace pcap_export {

class FrameJoiner {
 public:
  // The gap of port A (index 0) and port B (index 1) in microseconds; 0
  // joins nothing. Ports with other tags are never joined.
  explicit FrameJoiner(std::array<std::int64_t, 2> gapMicros = {0, 0});

  // A port's bytes from the poll at pollMicros; previousPollMicros is the
  // time of the poll before it.
  void addData(int portTag, std::int64_t pollMicros, std::int64_t previousPollMicros,
               std::span<const std::uint8_t> bytes);
  // An event packet (its footer names its port): ends that port's frame.
  void addEvent(SerialPacket event);
  // The poll at pollMicros is over: frames whose port has been silent for
  // the gap since their last bytes are complete.
  void pollDone(std::int64_t pollMicros);
  // Completes every frame (the end of the capture).
  void finish();

  // Packets complete and in time order, ready to be written; the caller
  // clears the list once written.
  std::vector<SerialPacket>& ready() { return ready_; }

 private:
  struct OpenFrame {
    SerialPacket packet;
    std::int64_t lastPartMicros = 0;
  };

  std::optional<OpenFrame>* frameOf(int portTag);
  std::int64_t gapOf(int portTag) const;
  void close(std::optional<OpenFrame>& frame);
  void queue(SerialPacket packet);
  // Moves the completed packets that no open frame can precede to ready_.
  void release();

  std::array<std::int64_t, 2> gapMicros_;
  std::array<std::optional<OpenFrame>, 2> open_;
  std::deque<SerialPacket> completed_;  // in time order, ties in arrival order
  std::vector<SerialPacket> ready_;
};

// A gap given as characters at a baud rate, in microseconds: a character is
// 11 bits on the line (start, 8 data, parity or a second stop bit, stop), the
// character of the Modbus RTU rule whose frames end after 3.5 of them.
std::int64_t characterGapMicros(double characters, std::uint32_t baud);

}  // namespace pcap_export
