// Any baud rate, including those without a B-constant (14400, 56000, 128000,
// 256000), through the kernel's termios2 interface. Kept apart from
// <termios.h> because the kernel's termbits header clashes with it.
#pragma once

#include <cstdint>
#include <optional>

namespace platform::posix {

// Sets input and output rate of the open terminal fd to baudRate.
bool setLineSpeed(int fd, std::uint32_t baudRate);

// The output rate the driver took, as it reports it.
std::optional<std::uint32_t> lineSpeed(int fd);

}  // namespace platform::posix
