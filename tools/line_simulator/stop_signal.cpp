#include "tools/line_simulator/stop_signal.h"

#include <csignal>
#include <initializer_list>

namespace linesim {
namespace {

volatile std::sig_atomic_t gStop = 0;

extern "C" void onStopSignal(int) { gStop = 1; }

}  // namespace

void installStopHandlers() {
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &action, nullptr);
}

bool stopRequested() { return gStop != 0; }

void requestStop() { gStop = 1; }

}  // namespace linesim
