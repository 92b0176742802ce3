#include "platform/posix/parity_marks.h"

namespace platform::posix {
namespace {

constexpr std::uint8_t kEscape = 0xFF;
constexpr std::uint8_t kMark = 0x00;

}  // namespace

std::size_t ParityMarkStripper::strip(const std::uint8_t* bytes, std::size_t count,
                                      std::uint8_t* out) {
  std::size_t written = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t byte = bytes[i];
    switch (state_) {
      case State::Plain:
        if (byte == kEscape) {
          state_ = State::AfterEscape;
        } else {
          out[written++] = byte;
        }
        break;
      case State::AfterEscape:
        if (byte == kMark) {
          state_ = State::AfterMark;
          break;
        }
        // 0xFF 0xFF is a 0xFF received intact. 0xFF before anything else
        // cannot come from the line discipline (it doubles every 0xFF);
        // such a byte is delivered alone, since the escape may have come in
        // an earlier piece and out has room for one byte per byte in.
        out[written++] = byte;
        state_ = State::Plain;
        break;
      case State::AfterMark:
        out[written++] = byte;
        ++markedBytes_;
        state_ = State::Plain;
        break;
    }
  }
  return written;
}

}  // namespace platform::posix
