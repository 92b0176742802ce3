// One image of an icon, as the platform shows it.
#pragma once

#include <cstdint>
#include <vector>

namespace platform {

// Row by row from the top, 0xAARRGGBB per pixel (alpha 0 is transparent).
struct IconImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> argb;
};

}  // namespace platform
