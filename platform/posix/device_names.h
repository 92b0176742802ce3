// How a port name of the settings ("COM3", "ttyUSB0", "pts/3", with or
// without a "//./" or "\\.\" prefix) becomes a device path.
#pragma once

#include <string>
#include <string_view>

namespace platform::posix {

// The name without a leading "//./" or "\\.\".
std::string_view stripDevicePrefix(std::string_view name);

// In this order: an entry of that name in portsFolder (a symbolic link to a
// device); "COMn" (any letter case, n from 1) as /dev/ttyS(n-1); otherwise
// /dev/NAME. An empty name, or one with a ".." part, resolves to nothing
// (an empty string).
std::string resolveDevicePath(std::string_view name, const std::string& portsFolder);

}  // namespace platform::posix
