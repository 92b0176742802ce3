// The Windows icon file format (.ico): the images of one icon, each kept as
// a 32-bit image with alpha and its transparency mask.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win32/native_window.h"

namespace platform::win32 {

std::vector<std::uint8_t> iconFileBytes(const std::vector<NativeIcon>& images);

}  // namespace platform::win32
