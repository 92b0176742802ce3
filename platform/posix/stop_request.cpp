// SIGINT, SIGTERM and SIGHUP ask for the stop. The handlers do not restart
// system calls, so a sleep in progress ends at once.
#include "platform/process/stop_request.h"

#include <signal.h>
#include <time.h>

#include <csignal>

namespace platform::process {

namespace {

volatile std::sig_atomic_t stopFlag = 0;

extern "C" void onStopSignal(int /*signal*/) { stopFlag = 1; }

}  // namespace

void catchStopRequests() {
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool stopRequested() { return stopFlag != 0; }

void requestStop() { stopFlag = 1; }

void sleepUntil(std::chrono::steady_clock::time_point deadline) {
  // steady_clock is CLOCK_MONOTONIC here.
  const auto sinceEpoch = deadline.time_since_epoch();
  timespec at{};
  at.tv_sec =
      static_cast<time_t>(std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch).count());
  at.tv_nsec = static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     sinceEpoch - std::chrono::seconds(at.tv_sec))
                                     .count());
  if (stopFlag == 0) clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &at, nullptr);
}

void stopServed() {}

}  // namespace platform::process
