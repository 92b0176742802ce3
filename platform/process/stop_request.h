// A command-line tool asked to stop by its user or the system: Ctrl+C,
// closing the console, logging off, or a termination signal. The tool then
// finishes what it is doing, closes its files whole and ends.
#pragma once

#include <chrono>

namespace platform::process {

// From now on stop requests are caught instead of ending the process.
void catchStopRequests();
bool stopRequested();
// For tests and for ends the tool decides itself.
void requestStop();

// Sleeps until deadline, or less when a stop is requested meanwhile.
void sleepUntil(std::chrono::steady_clock::time_point deadline);

// The tool has finished its work after a stop. Where the system ends the
// process as soon as it is told a stop was caught (a console being closed),
// the telling waits for this, for a few seconds at most.
void stopServed();

}  // namespace platform::process
