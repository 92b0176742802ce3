#include "platform/desktop/wheel_keys.h"

namespace platform::desktop {

WheelKeys::Presses WheelKeys::turn(int delta) {
  // A turn the other way starts counting afresh.
  if ((delta > 0 && partOfNotch_ < 0) || (delta < 0 && partOfNotch_ > 0)) partOfNotch_ = 0;
  partOfNotch_ += delta;
  const int notches = partOfNotch_ / kWheelNotch;
  partOfNotch_ -= notches * kWheelNotch;
  if (notches >= 0) return {kCursorUp, notches};
  return {kCursorDown, -notches};
}

}  // namespace platform::desktop
