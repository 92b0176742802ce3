// System files that behave as no ordinary file can, for the failure paths of
// file handling. Linux has them, and so do Linux programs' Windows builds
// under Wine, which shows Linux's files on drive Z:; elsewhere a test that
// needs one says so and is skipped.
#pragma once

#include <cstdio>

// Opens for writing, and every write fails as on a full disk.
inline constexpr const char* kFullDevice = "/dev/full";
// Opens for reading, and no byte of it can be read.
inline constexpr const char* kUnreadableOpenFile = "/proc/self/mem";
// The running program's own file: no one may write it while it runs.
inline constexpr const char* kRunningProgramFile = "/proc/self/exe";

// Opening tells, where asking whether the path exists would not: under
// Wine a Linux device opens but does not count as an existing file.
inline bool systemHas(const char* path) {
  std::FILE* file = std::fopen(path, "rb");
  if (file == nullptr) return false;
  std::fclose(file);
  return true;
}

#define SKIP_UNLESS_SYSTEM_HAS(path) \
  if (!systemHas(path)) GTEST_SKIP() << "this system has no " << (path)
