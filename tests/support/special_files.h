// System files that behave as no ordinary file can, for the failure paths of
// file handling. Linux has them, and so do Linux programs' Windows builds
// under Wine, which shows Linux's files on drive Z:; elsewhere a test that
// needs one says so and is skipped.
#pragma once

#include <filesystem>
#include <system_error>

// Opens for writing, and every write fails as on a full disk.
inline constexpr const char* kFullDevice = "/dev/full";
// Opens for reading, and no byte of it can be read.
inline constexpr const char* kUnreadableOpenFile = "/proc/self/mem";
// The running program's own file: no one may write it while it runs.
inline constexpr const char* kRunningProgramFile = "/proc/self/exe";

inline bool systemHas(const char* path) {
  std::error_code error;
  return std::filesystem::exists(path, error);
}

#define SKIP_UNLESS_SYSTEM_HAS(path) \
  if (!systemHas(path)) GTEST_SKIP() << "this system has no " << (path)
