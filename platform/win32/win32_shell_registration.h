// The capture-file type in the current user's classes
// (HKEY_CURRENT_USER\Software\Classes), so that the shell opens such files
// with the program and shows their icon without administrator rights.
#pragma once

#include <string>

namespace platform::win32 {

struct DocumentType {
  std::string extension;  // ".kvn"
  std::string typeId;     // "KORVANE.Document"
  std::string typeName;   // "KORVAN Document"
  int iconIndex = 0;      // of the icons in the program's own resources
};

// Writes the type's keys for the running program. Empty on success, else
// what failed.
std::string registerDocumentType(const DocumentType& type);

}  // namespace platform::win32
