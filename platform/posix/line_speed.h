// Any baud rate, including those without a B-constant (14400, 56000, 128000,
// 250000, 3686400), through the kernel's termios2 interface (BOTHER). Kept
// apart from <termios.h> because the kernel's termbits header clashes with it.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/comm/line_rate.h"

namespace platform::posix {

// Sets input and output rate of the open terminal fd to baudRate.
bool setLineSpeed(int fd, std::uint32_t baudRate);

// The output rate the driver took, as it reports it.
std::optional<std::uint32_t> lineSpeed(int fd);

// Both rates of a terminal, and whether they are given as numbers (BOTHER)
// rather than by a B-constant.
struct LineSpeeds {
  std::uint32_t input = 0;
  std::uint32_t output = 0;
  bool byNumber = false;
  bool operator==(const LineSpeeds&) const = default;
};

std::optional<LineSpeeds> lineSpeeds(int fd);

// Sets both rates as numbers.
bool setLineSpeeds(int fd, const LineSpeeds& speeds);

}  // namespace platform::posix
