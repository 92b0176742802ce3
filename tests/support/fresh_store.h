// Starts a test from a clean process: no windows, timers or recordings in the
// headless window system, MonitorState and the index back at process start,
// and an empty capture store of the given size.
#pragma once

#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "platform/headless/headless_window_system.h"

inline void startWithEmptyStore(int memSizeMB = 2) {
  headless::system().reset();
  resetProcessState();
  monitorState.memSizeMB = memSizeMB;
  monitorState.memSizeMBLoaded = memSizeMB;
  allocateCaptureStore();
}
