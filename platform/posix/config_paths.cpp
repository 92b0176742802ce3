#include "platform/posix/config_paths.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace platform::posix {
namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? std::string(value) : std::string();
}

std::string homeDir() {
  std::string home = environment("HOME");
  if (!home.empty()) return home;
  if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
    return entry->pw_dir;
  }
  return "/";
}

}  // namespace

std::string korvaneConfigDir() {
  // A relative XDG_CONFIG_HOME is invalid and ignored.
  std::string base = environment("XDG_CONFIG_HOME");
  if (base.empty() || base.front() != '/') base = homeDir() + "/.config";
  return base + "/korvane";
}

std::string hiveFilePath() {
  std::string path = environment("KORVANE_REGISTRY");
  if (!path.empty()) {
    // Taken against the folder current at start: the file dialogs change
    // the current folder later, and the settings must not move with it.
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
  }
  return korvaneConfigDir() + "/registry.reg";
}

std::string portsFolder() { return korvaneConfigDir() + "/ports"; }

}  // namespace platform::posix
