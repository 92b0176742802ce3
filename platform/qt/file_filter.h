// File dialog filters: the framework's "desc|pattern|desc|pattern||" form
// turned into Qt's "desc (pattern);;desc (pattern)" form.
#pragma once

#include <string>

namespace platform::qt {

// Patterns lose their surrounding blanks; several patterns separated by ';'
// become one list separated by blanks; "*.*", which matches every name on the
// original platform, becomes "*" (on this one it would need a dot).
std::string qtFileFilter(const std::string& frameworkFilter);

// The filter a name stands for when it holds a wildcard ('*' or '?'), such as
// the initial name "*.kvn": its patterns in the same form ("*.kvn"). Empty
// for a plain name, which names a file.
std::string qtPatternFilter(const std::string& name);

}  // namespace platform::qt
