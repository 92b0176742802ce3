#include "packaging/icon_sizes.h"

#include <cstddef>

namespace packaging {

platform::IconImage scaleByWholeFactor(const platform::IconImage& image, int factor) {
  platform::IconImage scaled;
  scaled.width = image.width * factor;
  scaled.height = image.height * factor;
  scaled.argb.reserve(static_cast<std::size_t>(scaled.width) *
                      static_cast<std::size_t>(scaled.height));
  for (int y = 0; y < scaled.height; ++y) {
    for (int x = 0; x < scaled.width; ++x) {
      scaled.argb.push_back(
          image.argb[static_cast<std::size_t>((y / factor) * image.width + x / factor)]);
    }
  }
  return scaled;
}

std::vector<platform::IconImage> iconAtSizes(const std::vector<platform::IconImage>& drawn,
                                             const std::vector<int>& sizes) {
  std::vector<platform::IconImage> images;
  for (const int size : sizes) {
    const platform::IconImage* best = nullptr;
    for (const platform::IconImage& image : drawn) {
      const bool square = image.width == image.height && image.width > 0;
      if (square && size % image.width == 0 && (best == nullptr || image.width > best->width)) {
        best = &image;
      }
    }
    if (best != nullptr) images.push_back(scaleByWholeFactor(*best, size / best->width));
  }
  return images;
}

}  // namespace packaging
