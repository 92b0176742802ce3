#include "platform/diagnostics/diagnostic_log_place.h"

#include <shlobj.h>
#include <windows.h>

namespace platform::diagnostics {

std::filesystem::path defaultLogPath() {
  wchar_t folder[MAX_PATH];
  if (SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder) != S_OK) {
    return {};
  }
  return std::filesystem::path(folder) / L"KORVANE" / L"korvane.log";
}

std::tm localTime(std::time_t time) {
  std::tm local{};
  localtime_s(&local, &time);
  return local;
}

std::string processLabel() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name(path, length < MAX_PATH ? length : 0);
  if (const auto slash = name.find_last_of("\\/"); slash != std::string::npos) {
    name.erase(0, slash + 1);
  }
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".exe") == 0)
    name.resize(name.size() - 4);
  return name + "[" + std::to_string(GetCurrentProcessId()) + "]";
}

void sendToDebugger(const std::string& line) { OutputDebugStringA(line.c_str()); }

}  // namespace platform::diagnostics
