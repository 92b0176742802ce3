// Where the monitor keeps its files on a POSIX desktop.
#pragma once

#include <string>

namespace platform::posix {

// $XDG_CONFIG_HOME/korvane, or ~/.config/korvane when that is unset.
std::string korvaneConfigDir();

// $KORVANE_REGISTRY when set (a relative path taken against the current
// folder, so call it once at start), else registry.reg in the config folder.
std::string hiveFilePath();

// The folder of symbolic links that name serial devices: ports/NAME.
std::string portsFolder();

}  // namespace platform::posix
