#include "platform/desktop/frame_pacer.h"

#include <algorithm>

namespace platform::desktop {

int FramePacer::delayMs(std::int64_t nowMs) const {
  if (!hasFlushed_) return 0;
  const int interval = streaming_ && !inputPending_
                           ? std::max(frameIntervalMs_, streamingIntervalMs_)
                           : frameIntervalMs_;
  const std::int64_t since = nowMs - lastFlushMs_;
  if (since < 0) return interval;  // the clock went back: wait one interval
  return static_cast<int>(std::max<std::int64_t>(0, interval - since));
}

void FramePacer::flushed(std::int64_t nowMs) {
  // Updates that follow each other within a streaming interval (and the
  // frame that paced them) are a stream; a longer gap ends it. An update for
  // the user's input is never counted as streaming, so that holding a key
  // down scrolls at the display's rate.
  const std::int64_t gap = nowMs - lastFlushMs_;
  streaming_ = hasFlushed_ && !inputPending_ && gap >= 0 &&
               gap <= static_cast<std::int64_t>(streamingIntervalMs_) + frameIntervalMs_;
  inputPending_ = false;
  hasFlushed_ = true;
  lastFlushMs_ = nowMs;
}

}  // namespace platform::desktop
