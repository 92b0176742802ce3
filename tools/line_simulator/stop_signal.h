#pragma once

namespace linesim {

// SIGINT, SIGTERM and SIGHUP ask the simulator to stop; it then finishes its current slice,
// reports and removes its port links. The handlers are installed without SA_RESTART so that
// a wait in poll() returns at once.
void installStopHandlers();
bool stopRequested();
void requestStop();

}  // namespace linesim
