// The line discipline's error marks taken out of the received bytes. With
// INPCK and PARMRK set (and IGNPAR, IGNBRK, BRKINT off) it hands a byte
// received with a parity or framing error over as 0xFF 0x00 X, a break as
// 0xFF 0x00 0x00, and a 0xFF received intact as 0xFF 0xFF. Every driver
// flags damaged bytes this way, also those that keep no error counters, so
// counting the marks gives an exact count on any adapter.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform::posix {

class ParityMarkStripper {
 public:
  // Takes the marks out of count bytes as read, writing the bytes as they
  // were received to out (which may be bytes itself: never more comes out
  // than goes in) and returning how many. A damaged byte comes out as
  // received, a break as 0x00. A mark cut by the end of the bytes is kept
  // and finished by the next call, so the bytes of one device can be read
  // in pieces of any size.
  std::size_t strip(const std::uint8_t* bytes, std::size_t count, std::uint8_t* out);

  // The damaged bytes and breaks marked so far.
  std::uint64_t markedBytes() const { return markedBytes_; }

  // Forgets a mark in progress: the device was opened again.
  void restart() { state_ = State::Plain; }

 private:
  enum class State { Plain, AfterEscape, AfterMark };
  State state_ = State::Plain;
  std::uint64_t markedBytes_ = 0;
};

}  // namespace platform::posix
