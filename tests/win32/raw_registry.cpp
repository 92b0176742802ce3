#include "tests/win32/raw_registry.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

bool removeLocalMachineKey(const std::string& path) {
  const LSTATUS result = RegDeleteKeyA(HKEY_LOCAL_MACHINE, path.c_str());
  return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

std::optional<RawRegistryValue> rawLocalMachineValue(const std::string& path,
                                                     const std::string& name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  RawRegistryValue value;
  DWORD type = 0;
  DWORD length = 256;
  value.data.resize(length);
  const LSTATUS result =
      RegQueryValueExA(key, name.c_str(), nullptr, &type, value.data.data(), &length);
  RegCloseKey(key);
  if (result != ERROR_SUCCESS) return std::nullopt;
  value.type = type;
  value.data.resize(length);
  return value;
}

int runProgram(const std::string& commandLine) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string line = commandLine;
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return -1;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(status);
}
