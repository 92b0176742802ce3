// The capture-file type in the current user's classes
// (HKEY_CURRENT_USER\Software\Classes), so that the shell opens such files
// with the program and shows their icon without administrator rights.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/native_window.h"

namespace platform::win32 {

struct DocumentType {
  std::string extension;  // ".kvn"
  std::string typeId;     // "KORVANE.Document"
  std::string typeName;   // "KORVAN Document"
  std::vector<NativeIcon> icon;
};

// Writes the type's keys for the running program, its icon as a file under
// the user's local application data. Empty on success, else what failed.
std::string registerDocumentType(const DocumentType& type);

// The open command the type gets: the program with the file as argument.
std::string openCommandFor(const std::string& programPath);

// An icon file (.ico) holding the images as 32-bit images with alpha.
std::vector<std::uint8_t> iconFileBytes(const std::vector<NativeIcon>& images);

}  // namespace platform::win32
