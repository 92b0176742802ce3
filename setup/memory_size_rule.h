// Which memory sizes the capture buffer can take: whole MiB from 1 to 32,
// because the record index cannot address more than 32 MiB of records.
#pragma once

#include <optional>
#include <string>

inline constexpr int kSmallestMemSizeMB = 1;
inline constexpr int kLargestMemSizeMB = 32;

// The size in MiB that a typed text asks for, or nothing when the text is not
// a whole number from 1 to 32 (blanks around the digits are allowed).
std::optional<int> typedMemorySizeMB(const std::string& text);
