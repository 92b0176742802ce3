// The characters shown for the 256 byte values: code page 437, with a visible
// sign in place of its two blank positions other than the space (0x00, 0xFF),
// so that every byte received shows as something in the dump.
#pragma once

#include <cstdint>

namespace platform::desktop {

// The Unicode code point drawn for a byte value.
char32_t glyphCodePoint(std::uint8_t byte);

}  // namespace platform::desktop
