#include "platform/desktop/wheel_keys.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using platform::desktop::kCursorDown;
using platform::desktop::kCursorUp;
using platform::desktop::WheelKeys;

// A run of turns and the key presses each one completes, negative for Down.
TEST(WheelKeys, EachNotchIsOneCursorKeyPressAndPartsOfANotchAddUp) {
  struct Case {
    const char* name;
    std::vector<int> deltas;
    std::vector<int> presses;
  };
  const std::vector<Case> cases{
      {"one notch away", {120}, {1}},
      {"one notch towards", {-120}, {-1}},
      {"three notches at once", {360}, {3}},
      {"quarters of a notch", {30, 30, 30, 30, 30}, {0, 0, 0, 1, 0}},
      {"a notch and a half, then the other half", {180, 60}, {1, 1}},
      {"a part one way is dropped by a turn the other", {90, -60, -60}, {0, 0, -1}},
      {"nothing", {0}, {0}},
  };
  for (const Case& c : cases) {
    WheelKeys wheel;
    for (std::size_t i = 0; i < c.deltas.size(); ++i) {
      const WheelKeys::Presses presses = wheel.turn(c.deltas[i]);
      const int expected = c.presses[i];
      EXPECT_EQ(presses.count, expected < 0 ? -expected : expected) << c.name << " turn " << i;
      if (expected != 0) {
        EXPECT_EQ(presses.key, expected > 0 ? kCursorUp : kCursorDown) << c.name << " turn " << i;
      }
    }
  }
}

}  // namespace
