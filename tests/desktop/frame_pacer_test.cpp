#include "platform/desktop/frame_pacer.h"

#include <gtest/gtest.h>

namespace {

using platform::desktop::FramePacer;

constexpr int kFrame = 16;
constexpr int kStream = 50;

// Drawings every tickMs from startMs for durationMs; each screen update
// happens when the pacer says. Returns the update times.
std::vector<std::int64_t> runDrawings(FramePacer& pacer, std::int64_t startMs, int tickMs,
                                      int durationMs) {
  std::vector<std::int64_t> updates;
  std::int64_t due = -1;
  for (std::int64_t now = startMs; now <= startMs + durationMs; ++now) {
    if ((now - startMs) % tickMs == 0 && due < 0) due = now + pacer.delayMs(now);
    if (due >= 0 && now >= due) {
      pacer.flushed(now);
      updates.push_back(now);
      due = -1;
    }
  }
  return updates;
}

TEST(FramePacer, AChangeAfterAQuietSpellShowsAtOnce) {
  FramePacer pacer(kFrame, kStream);
  EXPECT_EQ(pacer.delayMs(0), 0) << "nothing shown yet";
  pacer.flushed(1000);
  EXPECT_EQ(pacer.delayMs(1000 + 500), 0);
  EXPECT_EQ(pacer.delayMs(1000 + 5), kFrame - 5) << "never two updates within one frame";
}

TEST(FramePacer, ChangesOnEveryTickAreShownAtTheStreamingInterval) {
  FramePacer pacer(kFrame, kStream);
  const auto updates = runDrawings(pacer, 0, 10, 1000);
  ASSERT_GE(updates.size(), 3u);
  // The first one at once, the next a frame later, then one per interval.
  EXPECT_EQ(updates[0], 0);
  EXPECT_EQ(updates[1], kFrame);
  for (std::size_t i = 2; i < updates.size(); ++i) {
    EXPECT_GE(updates[i] - updates[i - 1], kStream) << "update " << i;
    EXPECT_LE(updates[i] - updates[i - 1], kStream + 10) << "update " << i;
  }
  EXPECT_TRUE(pacer.streaming());
  EXPECT_LE(updates.size(), 1000u / kStream + 2);
}

TEST(FramePacer, ChangesSlowerThanTheStreamingIntervalAreNeverHeldBack) {
  FramePacer pacer(kFrame, kStream);
  const auto updates = runDrawings(pacer, 0, 100, 1000);
  ASSERT_EQ(updates.size(), 11u);
  for (std::size_t i = 0; i < updates.size(); ++i) {
    EXPECT_EQ(updates[i], static_cast<std::int64_t>(100 * i)) << "shown the moment it was drawn";
  }
  EXPECT_FALSE(pacer.streaming());
}

TEST(FramePacer, AStreamEndsAfterAGapAndTheNextChangeShowsAtOnce) {
  FramePacer pacer(kFrame, kStream);
  auto updates = runDrawings(pacer, 0, 10, 500);
  ASSERT_TRUE(pacer.streaming());
  const std::int64_t last = updates.back();
  EXPECT_EQ(pacer.delayMs(last + 300), 0);
  pacer.flushed(last + 300);
  EXPECT_FALSE(pacer.streaming());
  EXPECT_EQ(pacer.delayMs(last + 300 + 2), kFrame - 2);
}

TEST(FramePacer, UserInputIsShownWithinAFrameEvenWhileStreaming) {
  FramePacer pacer(kFrame, kStream);
  auto updates = runDrawings(pacer, 0, 10, 500);
  ASSERT_TRUE(pacer.streaming());
  const std::int64_t last = updates.back();
  EXPECT_EQ(pacer.delayMs(last + 1), kStream - 1);
  pacer.userInput();
  EXPECT_EQ(pacer.delayMs(last + 1), kFrame - 1);
  pacer.flushed(last + kFrame);
  EXPECT_FALSE(pacer.streaming()) << "an update for input does not count as streaming";
}

TEST(FramePacer, AClockThatGoesBackNeverGivesANegativeOrEndlessWait) {
  FramePacer pacer(kFrame, kStream);
  pacer.flushed(1000);
  const int delay = pacer.delayMs(900);
  EXPECT_GE(delay, 0);
  EXPECT_LE(delay, kStream);
  pacer.flushed(900);
  EXPECT_FALSE(pacer.streaming());
}

TEST(FramePacer, AStreamingIntervalBelowTheFrameKeepsTheFrame) {
  FramePacer pacer(kFrame, 5);
  const auto updates = runDrawings(pacer, 0, 1, 200);
  for (std::size_t i = 1; i < updates.size(); ++i) EXPECT_GE(updates[i] - updates[i - 1], kFrame);
}

}  // namespace
