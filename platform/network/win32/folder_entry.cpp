#include "platform/network/folder_entry.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <vector>

namespace platform::network {
namespace {

std::wstring wide(const std::string& utf8) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, text.data(), length);
  text.resize(static_cast<std::size_t>(length - 1));
  return text;
}

std::string utf8(const std::wstring& text) {
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string result(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, result.data(), length, nullptr, nullptr);
  result.resize(static_cast<std::size_t>(length - 1));
  return result;
}

// "COM3", "LPT1", "NUL" and the like name devices in every folder: such a
// name is a port of this computer, never an entry of the ports folder.
bool reservedDeviceName(std::string name) {
  const std::size_t dot = name.find('.');
  if (dot != std::string::npos) name.resize(dot);
  for (char& c : name) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  if (name == "CON" || name == "PRN" || name == "AUX" || name == "NUL") return true;
  if (name.size() < 4 || (name.compare(0, 3, "COM") != 0 && name.compare(0, 3, "LPT") != 0)) {
    return false;
  }
  return name.find_first_not_of("0123456789", 3) == std::string::npos;
}

}  // namespace

const char kPathSeparator = '\\';

FolderEntry inspectFolderEntry(const std::string& path) {
  FolderEntry entry;
  if (reservedDeviceName(path.substr(path.find_last_of("\\/") + 1))) return entry;
  const std::wstring name = wide(path);
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return entry;
  entry.exists = true;
  if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) return entry;
  const HANDLE file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return entry;
  if (GetFileType(file) == FILE_TYPE_DISK) {
    entry.regularFile = true;
    char buffer[kMaxFolderEntryContent];
    DWORD count = 0;
    if (ReadFile(file, buffer, sizeof buffer, &count, nullptr) && count > 0) {
      entry.content.assign(buffer, count);
    }
  }
  CloseHandle(file);
  return entry;
}

std::string applicationDataPortsFolder() {
  const DWORD length = GetEnvironmentVariableW(L"APPDATA", nullptr, 0);
  if (length == 0) return {};
  std::vector<wchar_t> folder(length);
  if (GetEnvironmentVariableW(L"APPDATA", folder.data(), length) == 0) return {};
  return utf8(folder.data()) + "\\Korvane\\ports";
}

}  // namespace platform::network
