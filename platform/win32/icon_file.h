// An icon's images as Windows takes them: the icon file format (.ico), each
// image kept as a 32-bit image with alpha and its transparency mask, and the
// icon handle a window or a dialog shows.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/win32/native_window.h"

namespace platform::win32 {

std::vector<std::uint8_t> iconFileBytes(const std::vector<NativeIcon>& images);

// An icon handle made from an image (an HICON as a number; 0 on failure).
std::uintptr_t makeNativeIcon(const NativeIcon& image);

}  // namespace platform::win32
