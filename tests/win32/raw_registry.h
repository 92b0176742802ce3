// The settings key as the Win32 registry holds it, read and removed past the
// backend under test. Kept apart from the framework's headers, which
// <windows.h> clashes with.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct RawRegistryValue {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;  // as long as the registry reports it
};

// Removes HKEY_LOCAL_MACHINE\<path> with its values; true when it is gone.
bool removeLocalMachineKey(const std::string& path);

std::optional<RawRegistryValue> rawLocalMachineValue(const std::string& path,
                                                     const std::string& name);

// Starts a program of the prefix (such as "regedit /S file.reg") and waits
// for it; its exit status, or -1 when it could not be started.
int runProgram(const std::string& commandLine);
