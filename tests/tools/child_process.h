// Runs a program of the project as a user would, with its standard output
// and error caught in files, an environment of the test's choosing and,
// when asked, a limit on the size of the files it writes.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tool_test {

struct ChildOutcome {
  int status = -1;  // exit status, or 128 + signal
  std::string out;
  std::string err;
};

class ChildProcess {
 public:
  // Runs in folder, where its output goes to files. env entries ("NAME=value") replace the
  // same names of this process's environment.
  ChildProcess(const std::string& program, const std::vector<std::string>& args,
               const std::filesystem::path& folder, const std::vector<std::string>& env = {},
               std::optional<long> fileSizeLimit = std::nullopt);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  void signal(int number);
  pid_t pid() const { return pid_; }
  // Waits at most timeoutSeconds, then kills it (the outcome then says so).
  ChildOutcome finish(double timeoutSeconds = 60);

 private:
  pid_t pid_ = -1;
  std::filesystem::path outPath_;
  std::filesystem::path errPath_;
};

// A program run to its end.
ChildOutcome runChild(const std::string& program, const std::vector<std::string>& args,
                      const std::filesystem::path& folder,
                      const std::vector<std::string>& env = {});

std::string readWholeFile(const std::filesystem::path& path);

}  // namespace tool_test
