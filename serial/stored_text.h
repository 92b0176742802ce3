// The forms in which the settings store keeps texts and reads numbers back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A port name's value holds this many bytes: a longer name comes back cut,
// naming another device ("ttyUSB100" as "ttyUSB10").
inline constexpr std::size_t kStoredPortNameBytes = 8;

// The text's characters and one zero byte, cut or padded to exactly
// dataLength bytes. Filler after the terminator is zero bytes.
std::vector<std::uint8_t> storedForm(std::string_view text, std::size_t dataLength);

// The text in a value's data: up to its first zero byte, or all of it.
std::string textOfData(const std::uint8_t* data, std::size_t dataLength);

// The atoi rule: leading white space, an optional sign, then decimal digits
// up to the first other character; no digits gives 0. A number beyond the
// 32-bit range is held at the range's end.
std::int32_t numberOfText(std::string_view text);
