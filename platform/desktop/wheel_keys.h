// The mouse wheel moves the caret as the cursor keys do: each notch turned
// away from the user is one press of Up, each notch towards the user one of
// Down. Both systems count a notch as 120; fine wheels and touch pads send
// parts of a notch, which add up until they make one.
#pragma once

namespace platform::desktop {

// A key-down as the view's key handler takes it: the virtual-key code and
// the flags word (the set-1 scan code in the low byte, bit 8 for the
// extended cursor block).
struct KeyPress {
  unsigned virtualKey = 0;
  unsigned flags = 0;
  bool operator==(const KeyPress&) const = default;
};

inline constexpr int kWheelNotch = 120;
inline constexpr KeyPress kCursorUp{0x26, 0x148};
inline constexpr KeyPress kCursorDown{0x28, 0x150};

class WheelKeys {
 public:
  struct Presses {
    KeyPress key;
    int count = 0;
  };
  // The presses a turn of delta (positive: away from the user) completes.
  Presses turn(int delta);

 private:
  int partOfNotch_ = 0;
};

}  // namespace platform::desktop
