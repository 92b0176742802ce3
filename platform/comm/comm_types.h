// Handle of an open serial device, as the comm seam hands it out.
#pragma once

#include <cstdint>

namespace platform {

using CommHandle = std::intptr_t;
inline constexpr CommHandle kInvalidCommHandle = -1;

}  // namespace platform
