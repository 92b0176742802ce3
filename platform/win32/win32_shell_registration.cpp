#include "platform/win32/win32_shell_registration.h"

#include "platform/win32/system_error_text.h"

// <windows.h> comes before the headers that need it.
// clang-format off
#include <windows.h>
#include <shlobj.h>
// clang-format on

#include <cstdio>

namespace platform::win32 {
namespace {

std::string systemError(LONG code) { return systemErrorText(static_cast<std::uint32_t>(code)); }

// Sets the default value of HKCU\Software\Classes\<path>; empty on success.
std::string setClassValue(const std::string& path, const std::string& value) {
  const std::string key = "Software\\Classes\\" + path;
  HKEY handle = nullptr;
  LONG status = RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                                nullptr, &handle, nullptr);
  if (status == ERROR_SUCCESS) {
    status =
        RegSetValueExA(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1));
    RegCloseKey(handle);
  }
  if (status == ERROR_SUCCESS) return {};
  return "HKEY_CURRENT_USER\\" + key + ": " + systemError(status);
}

std::string programPath() {
  char path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  return std::string(path, length);
}

// The program with the file as its argument.
std::string openCommandFor(const std::string& path) { return "\"" + path + "\" \"%1\""; }

}  // namespace

std::string registerDocumentType(const DocumentType& type) {
  const std::string program = programPath();
  if (program.empty()) {
    return "The program's own path is unknown: " + systemError(static_cast<LONG>(GetLastError()));
  }
  std::string failure = setClassValue(type.extension, type.typeId);
  if (failure.empty()) failure = setClassValue(type.typeId, type.typeName);
  if (failure.empty()) {
    failure = setClassValue(type.typeId + "\\shell\\open\\command", openCommandFor(program));
  }
  if (failure.empty()) {
    failure = setClassValue(type.typeId + "\\DefaultIcon",
                            program + "," + std::to_string(type.iconIndex));
  }
  if (failure.empty()) SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
  return failure;
}

}  // namespace platform::win32
