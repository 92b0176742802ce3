// The entries a file dialog lists, from the framework's filter
// "desc|patterns|desc|patterns||" and the dialog's initial file name.
#pragma once

#include <string>
#include <vector>

namespace platform::desktop {

struct FilterEntry {
  std::string description;
  std::string patterns;  // as written: blanks and ';' between patterns kept
  bool operator==(const FilterEntry&) const = default;
};

// The pairs up to the first empty field, which ends the filter.
std::vector<FilterEntry> writtenFilterEntries(const std::string& frameworkFilter);

// Text without the blanks around it.
std::string trimBlanks(const std::string& text);

// The patterns of a list written "*.log; *.txt": separated at ';', without
// blanks.
std::vector<std::string> patternsOf(const std::string& list);

// The patterns a name holding a wildcard ('*' or '?') stands for, such as the
// initial name "*.kvn": separated at ';', without blanks. None for a plain
// name, which names a file.
std::vector<std::string> wildcardPatterns(const std::string& name);

// What the dialog lists: when the initial name holds a wildcard, an entry of
// its patterns first (the dialog selects it, so the list shows what the name
// matches), then the written entries unchanged.
std::vector<FilterEntry> dialogFilterEntries(const std::string& frameworkFilter,
                                             const std::string& initialName);

}  // namespace platform::desktop
