// What the running process costs: CPU time used so far and its peak
// resident memory, as the kernel accounts them.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace soak {

// User plus system CPU time of this process, in seconds.
double cpuSecondsUsed();

// The value of a "Name:   1234 kB" line of /proc/<pid>/status text, in KiB.
std::optional<std::uint64_t> statusFieldKiB(std::string_view statusText, std::string_view field);

// The most resident memory this process has held (VmHWM), in KiB.
std::optional<std::uint64_t> peakResidentKiB();

}  // namespace soak
