#pragma once

#include <ostream>

#include "tools/line_simulator/options.h"

namespace linesim {

// Creates the lines, links them into the ports folder, sends until every line is done or a
// stop signal arrives, lets the readers take what is still queued, prints the report and
// removes the links. Returns the process exit status: 0 when the run ended normally or by a
// stop signal, 1 when the lines could not be set up or a line failed.
int runSimulator(const SimOptions& options, std::ostream& out, std::ostream& log);

}  // namespace linesim
