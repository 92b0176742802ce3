// When the screen of a view is next updated with what was drawn.
//
// A change that comes after a quiet spell, or follows the user's own input,
// reaches the screen within one display frame. While changes keep coming
// (a capture streaming in, redrawn on every poll tick) the updates are
// spaced a streaming interval apart: the dump moves too fast to read at any
// rate, and each update rewrites and copies the whole page, which at the
// display's own rate would cost more than all the capturing does. The data
// itself is never held back: only how often the screen shows it.
#pragma once

#include <cstdint>

namespace platform::desktop {

class FramePacer {
 public:
  static constexpr int kDefaultStreamingIntervalMs = 100;

  FramePacer(int frameIntervalMs, int streamingIntervalMs)
      : frameIntervalMs_(frameIntervalMs), streamingIntervalMs_(streamingIntervalMs) {}

  void setFrameIntervalMs(int ms) { frameIntervalMs_ = ms; }
  void setStreamingIntervalMs(int ms) { streamingIntervalMs_ = ms; }

  // How long a change made at nowMs waits for its screen update.
  int delayMs(std::int64_t nowMs) const;
  // The user acted: the next update comes within a display frame.
  void userInput() { inputPending_ = true; }
  // The screen was updated at nowMs.
  void flushed(std::int64_t nowMs);
  bool streaming() const { return streaming_; }

 private:
  int frameIntervalMs_;
  int streamingIntervalMs_;
  bool hasFlushed_ = false;
  std::int64_t lastFlushMs_ = 0;
  bool streaming_ = false;
  bool inputPending_ = false;
};

}  // namespace platform::desktop
