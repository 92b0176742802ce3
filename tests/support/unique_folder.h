// A new, empty folder under the system's temporary folder, on Linux and on
// Windows alike. Returns an empty string when none could be made.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

inline std::string makeUniqueFolder(const std::string& prefix) {
  std::error_code error;
  const std::filesystem::path base = std::filesystem::temp_directory_path(error);
  if (error) return {};
  std::random_device seed;
  std::mt19937_64 random(seed());
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path folder = base / (prefix + std::to_string(random() % 1000000000));
    // create_directory reports false for a folder that exists already, so two
    // tests never share one.
    if (std::filesystem::create_directory(folder, error)) return folder.generic_string();
    if (error) return {};
  }
  return {};
}
