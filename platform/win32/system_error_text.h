// The system's own text for a Win32 error code, on one line, with the code:
// "Access is denied (error 5)". Shared by every Win32 backend that reports
// a failure to the user.
#pragma once

#include <cstdint>
#include <string>

namespace platform::win32 {

std::string systemErrorText(std::uint32_t error);

}  // namespace platform::win32
