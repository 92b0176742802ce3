#include "platform/diagnostics/log_line.h"

#include <cstdio>
#include <system_error>

namespace platform::diagnostics {

std::string stampedLine(const std::tm& local, int milliseconds, const std::string& program,
                        const std::string& line) {
  char stamp[96];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d.%03d ", local.tm_year + 1900,
                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                milliseconds);
  return stamp + program + ": " + line;
}

std::string rotateWhenFull(const std::filesystem::path& path, std::uintmax_t limitBytes) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error || size < limitBytes) return {};
  std::filesystem::path old = path;
  old += ".old";
  std::filesystem::rename(path, old, error);
  return error ? "cannot move it to " + old.string() + ": " + error.message() : std::string();
}

}  // namespace platform::diagnostics
