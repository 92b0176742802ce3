// The hicolor theme's sizes of an icon drawn at a few sizes: each size is
// the largest drawing whose size divides it, scaled up pixel for pixel, so
// the pictures stay as crisp as they were drawn.
#pragma once

#include <array>
#include <vector>

#include "platform/framework/icon_image.h"

namespace packaging {

inline constexpr std::array<int, 6> kHicolorSizes{16, 32, 48, 64, 128, 256};

// Each source pixel becomes a factor x factor block.
platform::IconImage scaleByWholeFactor(const platform::IconImage& image, int factor);

// One square image per size, in the order of `sizes`; a size that no
// drawing divides is left out.
std::vector<platform::IconImage> iconAtSizes(const std::vector<platform::IconImage>& drawn,
                                             const std::vector<int>& sizes);

}  // namespace packaging
