#include "platform/framework/open_failure_reason.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

std::string openFailureReason(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_status status = fs::status(path, error);
  if (status.type() == fs::file_type::not_found) {
    return error ? error.message() : std::string("No such file or directory");
  }
  if (error) return error.message();
  if (status.type() == fs::file_type::directory) return "it is a folder, not a file";
  if (status.type() != fs::file_type::regular) {
    return "it is not a regular file (a device, a pipe or a socket)";
  }
  errno = 0;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    return errno != 0 ? std::string(std::strerror(errno)) : "the file cannot be read";
  }
  std::fclose(file);
  return {};
}
