// Writes an icon image as a PNG file (8-bit RGBA, uncompressed deflate
// blocks): enough for small icons, with no library beyond the standard one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/framework/icon_image.h"

namespace packaging {

std::vector<std::uint8_t> encodePng(const platform::IconImage& image);
bool writePng(const platform::IconImage& image, const std::string& path);

}  // namespace packaging
