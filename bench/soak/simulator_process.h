// The line simulator as a child process: started with its arguments, its
// output kept in a file, its links awaited in the ports folder, and stopped
// (it then removes its links and prints what it sent).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/line_simulator/report.h"

namespace soak {

class SimulatorProcess {
 public:
  SimulatorProcess() = default;
  ~SimulatorProcess();
  SimulatorProcess(const SimulatorProcess&) = delete;
  SimulatorProcess& operator=(const SimulatorProcess&) = delete;

  // Starts `program arguments...` with its standard output in outputFile.
  bool start(const std::string& program, const std::vector<std::string>& arguments,
             const std::filesystem::path& outputFile);
  // True once every name has an entry in the ports folder.
  bool waitForLinks(const std::filesystem::path& portsFolder, const std::vector<std::string>& names,
                    std::chrono::milliseconds timeout);
  // Asks the simulator to end and waits for it; its exit status, or -1.
  int stop();
  // The "sent" lines of its output, one per line of the simulator.
  std::vector<linesim::LineReport> sentReports() const;

 private:
  pid_t pid_ = -1;
  std::filesystem::path output_;
};

}  // namespace soak
