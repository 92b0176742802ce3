#include "platform/diagnostics/diagnostic_lines.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <system_error>

#include "platform/diagnostics/diagnostic_log_place.h"
#include "platform/diagnostics/log_line.h"

namespace platform {
namespace {

std::mutex logMutex;
bool logFailureTold = false;

void tellLogFailureOnce(const std::filesystem::path& path, const std::string& reason) {
  if (logFailureTold) return;
  logFailureTold = true;
  std::fprintf(stderr, "cannot write the log file %s: %s\n", path.string().c_str(), reason.c_str());
}

void appendToLog(const std::string& stamped) {
  const std::filesystem::path path = diagnosticLogPath();
  if (path.empty()) return;
  std::error_code error;
  std::filesystem::create_directories(path.parent_path(), error);
  if (const std::string reason = diagnostics::rotateWhenFull(path, diagnostics::kLogSizeLimit);
      !reason.empty()) {
    tellLogFailureOnce(path, reason);
  }
  std::ofstream log(path, std::ios::app | std::ios::binary);
  if (log) log << stamped << '\n';
  log.flush();
  if (!log) tellLogFailureOnce(path, "the file cannot be opened for appending");
}

}  // namespace

std::filesystem::path diagnosticLogPath() {
  if (const char* chosen = std::getenv("KORVANE_LOG"); chosen != nullptr && *chosen != '\0') {
    return chosen;
  }
  return diagnostics::defaultLogPath();
}

void writeDiagnosticLine(const std::string& line) {
  const std::lock_guard lock(logMutex);
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
  const auto now = std::chrono::system_clock::now();
  const auto milliseconds =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  const std::string stamped =
      diagnostics::stampedLine(diagnostics::localTime(std::chrono::system_clock::to_time_t(now)),
                               static_cast<int>(milliseconds), diagnostics::processLabel(), line);
  appendToLog(stamped);
  diagnostics::sendToDebugger(stamped + "\n");
}

}  // namespace platform
