// The console's control events ask for the stop. Ctrl+C and Ctrl+Break only
// ask; closing the console, logging off and shutting down end the process
// as soon as the handler returns, so there it waits for the tool to finish.
#include "platform/process/stop_request.h"

#include <windows.h>
// After windows.h, which it needs.
#include <timeapi.h>

#include <atomic>

namespace platform::process {

namespace {

// The system allows about five seconds after a console is closed.
constexpr DWORD kServedWaitMs = 4000;

std::atomic<bool> stopFlag{false};
HANDLE stopEvent = nullptr;    // set on a stop: ends a sleep at once
HANDLE servedEvent = nullptr;  // set when the tool has finished

void createEvents() {
  if (stopEvent == nullptr) stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  if (servedEvent == nullptr) servedEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

BOOL WINAPI onConsoleControl(DWORD type) {
  requestStop();
  if (type == CTRL_C_EVENT || type == CTRL_BREAK_EVENT) return TRUE;
  if (servedEvent != nullptr &&
      WaitForSingleObject(servedEvent, kServedWaitMs) == WAIT_OBJECT_0) {
    // The tool has finished and is ending the process itself. Returning now
    // would have the system end it too, from this thread, while the main
    // thread runs the exit (static destructors, the runtime's own clean-up):
    // two exits at once. The main thread's exit ends this wait.
    Sleep(INFINITE);
  }
  return TRUE;
}

}  // namespace

void catchStopRequests() {
  createEvents();
  SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

bool stopRequested() { return stopFlag.load(); }

void requestStop() {
  stopFlag.store(true);
  if (stopEvent != nullptr) SetEvent(stopEvent);
}

void sleepUntil(std::chrono::steady_clock::time_point deadline) {
  // The system's timer steps about every 15.6 ms unless asked for finer: a
  // 10 ms polling period would tick late every time.
  static const bool fineTimer = timeBeginPeriod(1) == TIMERR_NOERROR;
  (void)fineTimer;
  const auto left =
      std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  if (left.count() <= 0 || stopFlag.load()) return;
  const DWORD waitMs = static_cast<DWORD>(left.count());
  if (stopEvent != nullptr) {
    WaitForSingleObject(stopEvent, waitMs);
  } else {
    Sleep(waitMs);
  }
}

void stopServed() {
  if (servedEvent != nullptr) SetEvent(servedEvent);
}

}  // namespace platform::process
