// Why a port could not be opened or set, in words a user can act on, and
// which errors tell that a device went away.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace platform::win32 {

// The port's own name, without the device-namespace prefix the path may have.
std::string portName(std::string_view path);

// "COM10 (//./COM10): <the system's text> (error N). <what to do>"
std::string describeDeviceFailure(const std::string& path, std::uint32_t error);

// Whether a read or a status query failing with error tells that the device
// is gone (a USB adapter pulled out, a Bluetooth link dropped).
bool deviceGone(std::uint32_t error);

}  // namespace platform::win32
