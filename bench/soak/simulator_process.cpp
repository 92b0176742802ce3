#include "bench/soak/simulator_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <thread>

extern char** environ;

namespace soak {

SimulatorProcess::~SimulatorProcess() { stop(); }

bool SimulatorProcess::start(const std::string& program, const std::vector<std::string>& arguments,
                             const std::filesystem::path& outputFile) {
  output_ = outputFile;
  std::vector<std::string> words{program};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputFile.c_str(),
                                   O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const int failed = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) pid_ = -1;
  return failed == 0;
}

bool SimulatorProcess::waitForLinks(const std::filesystem::path& portsFolder,
                                    const std::vector<std::string>& names,
                                    std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (std::chrono::steady_clock::now() < deadline) {
    bool all = true;
    for (const auto& name : names) {
      std::error_code error;
      all = all && std::filesystem::is_symlink(portsFolder / name, error);
    }
    if (all) return true;
    if (pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == pid_) {
      pid_ = -1;  // it ended before linking its lines
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

int SimulatorProcess::stop() {
  if (pid_ <= 0) return -1;
  kill(pid_, SIGTERM);
  int status = 0;
  const pid_t waited = waitpid(pid_, &status, 0);
  pid_ = -1;
  if (waited <= 0 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

std::vector<linesim::LineReport> SimulatorProcess::sentReports() const {
  std::vector<linesim::LineReport> reports;
  std::ifstream output(output_);
  std::string line;
  while (std::getline(output, line)) {
    if (auto report = linesim::parseSentLine(line)) reports.push_back(*report);
  }
  return reports;
}

}  // namespace soak
