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
