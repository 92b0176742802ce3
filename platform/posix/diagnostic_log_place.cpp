#include "platform/diagnostics/diagnostic_log_place.h"

#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace platform::diagnostics {
namespace {

std::string homeDir() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
    return entry->pw_dir;
  }
  return {};
}

}  // namespace

std::filesystem::path defaultLogPath() {
  // A relative XDG_STATE_HOME is invalid and ignored, as the XDG rules say.
  std::string base;
  if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/') {
    base = state;
  } else {
    const std::string home = homeDir();
    if (home.empty()) return {};
    base = home + "/.local/state";
  }
  return std::filesystem::path(base) / "korvane" / "korvane.log";
}

std::tm localTime(std::time_t time) {
  std::tm local{};
  localtime_r(&time, &local);
  return local;
}

std::string processLabel() {
  return std::string(program_invocation_short_name) + "[" + std::to_string(getpid()) + "]";
}

void sendToDebugger(const std::string&) {}

}  // namespace platform::diagnostics
