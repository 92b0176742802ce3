// What an entry of the ports folder is, as the file system tells it:
// POSIX in posix/folder_entry.cpp, Win32 in win32/folder_entry.cpp.
#pragma once

#include <string>

namespace platform::network {

struct FolderEntry {
  bool exists = false;
  bool regularFile = false;  // (a link is followed)
  std::string linkTarget;    // the text of a symbolic link, empty for anything else
  std::string content;       // the start of a regular file, at most kMaxContent bytes
};

inline constexpr std::size_t kMaxFolderEntryContent = 512;

FolderEntry inspectFolderEntry(const std::string& path);

// The separator between a folder and a name on this system.
extern const char kPathSeparator;

#ifdef _WIN32
// The Windows ports folder: Korvane\ports in the user's application data
// (%APPDATA%), such as C:\Users\NAME\AppData\Roaming\Korvane\ports.
std::string applicationDataPortsFolder();
#endif

}  // namespace platform::network
