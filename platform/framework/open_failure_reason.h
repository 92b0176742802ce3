// Why a file named to be opened as a document cannot be: the words a user
// can act on, for the detail of the box that tells it.
#pragma once

#include <string>

// "No such file or directory", "it is a folder, not a file", the system's
// reason for refusing to read it, ...; empty when nothing seems to be wrong.
std::string openFailureReason(const std::string& path);
