// How a port name of the settings ("COM3", "ttyUSB0", "pts/3", with or
// without a "//./" or "\\.\" prefix) becomes a device path.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform::posix {

// The name without a leading "//./" or "\\.\".
std::string_view stripDevicePrefix(std::string_view name);

// Which rule turned a name into a device path.
enum class NameRule { kPortsFolderLink, kComNumber, kDevFolder };

struct ResolvedName {
  std::string path;  // what is opened
  NameRule rule = NameRule::kDevFolder;
};

// In this order: an entry of that name in portsFolder (a symbolic link to a
// device); "COMn" (any letter case, n from 1) as /dev/ttyS(n-1); otherwise
// /dev/NAME. An empty name, or one with a ".." part, resolves to nothing.
std::optional<ResolvedName> resolveDeviceName(std::string_view name,
                                              const std::string& portsFolder);

// The path of resolveDeviceName, or an empty string.
std::string resolveDevicePath(std::string_view name, const std::string& portsFolder);

// The device a resolved name stands for: the target of a ports-folder link
// (made absolute, one link followed), else the path itself.
std::string deviceShownFor(const ResolvedName& resolved);

// How a name came to its device, for a user: "COM3 -> /dev/ttyS2 (COMn rule)",
// "LAB1 -> /dev/ttyUSB0 (link in /home/u/.config/korvane/ports)",
// "ttyUSB0 -> /dev/ttyUSB0".
std::string describeResolution(std::string_view name, const ResolvedName& resolved,
                               const std::string& portsFolder);

}  // namespace platform::posix
