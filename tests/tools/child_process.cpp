#include "tests/tools/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace tool_test {

namespace {

std::vector<std::string> mergedEnvironment(const std::vector<std::string>& replacements) {
  std::vector<std::string> env;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string text = *entry;
    const std::string name = text.substr(0, text.find('='));
    bool replaced = false;
    for (const std::string& r : replacements) replaced = replaced || r.rfind(name + "=", 0) == 0;
    if (!replaced) env.push_back(text);
  }
  env.insert(env.end(), replacements.begin(), replacements.end());
  return env;
}

}  // namespace

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::filesystem::path& folder, const std::vector<std::string>& env,
                           std::optional<long> fileSizeLimit) {
  static int serial = 0;
  const std::string stem = std::to_string(getpid()) + "-" + std::to_string(++serial);
  outPath_ = folder / ("child-" + stem + ".out");
  errPath_ = folder / ("child-" + stem + ".err");
  std::vector<std::string> argStrings{program};
  argStrings.insert(argStrings.end(), args.begin(), args.end());
  std::vector<std::string> envStrings = mergedEnvironment(env);
  std::vector<char*> argv;
  for (std::string& a : argStrings) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& e : envStrings) envp.push_back(e.data());
  envp.push_back(nullptr);

  pid_ = fork();
  if (pid_ == 0) {
    const int out = open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    if (chdir(folder.c_str()) != 0) _exit(126);
    if (fileSizeLimit) {
      // Writes past the limit then fail with EFBIG instead of killing it.
      ::signal(SIGXFSZ, SIG_IGN);
      rlimit limit{static_cast<rlim_t>(*fileSizeLimit), static_cast<rlim_t>(*fileSizeLimit)};
      setrlimit(RLIMIT_FSIZE, &limit);
    }
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

void ChildProcess::signal(int number) {
  if (pid_ > 0) kill(pid_, number);
}

ChildOutcome ChildProcess::finish(double timeoutSeconds) {
  ChildOutcome outcome;
  const auto deadline = std::chrono::steady_clock::now() +
                        std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                            std::chrono::duration<double>(timeoutSeconds));
  int status = 0;
  for (;;) {
    const pid_t done = waitpid(pid_, &status, WNOHANG);
    if (done == pid_) break;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  pid_ = -1;
  outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  outcome.out = readWholeFile(outPath_);
  outcome.err = readWholeFile(errPath_);
  return outcome;
}

ChildOutcome runChild(const std::string& program, const std::vector<std::string>& args,
                      const std::filesystem::path& folder, const std::vector<std::string>& env) {
  ChildProcess child(program, args, folder, env);
  return child.finish();
}

std::string readWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace tool_test
