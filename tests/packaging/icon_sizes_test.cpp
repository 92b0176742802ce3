#include "packaging/icon_sizes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "res/icons.h"
#include "res/resource.h"

namespace {

// A square image whose every pixel differs: pixel (x, y) holds
// tag << 16 | y << 8 | x.
platform::IconImage numbered(int size, std::uint32_t tag) {
  platform::IconImage image;
  image.width = image.height = size;
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      image.argb.push_back(tag << 16 | static_cast<std::uint32_t>(y) << 8 |
                           static_cast<std::uint32_t>(x));
    }
  }
  return image;
}

std::uint32_t pixel(const platform::IconImage& image, int x, int y) {
  return image.argb.at(static_cast<std::size_t>(y * image.width + x));
}

TEST(IconSizes, EachSizeComesFromTheLargestDrawingThatDividesIt) {
  const std::vector<platform::IconImage> drawn{numbered(32, 1), numbered(16, 2)};
  const struct {
    int size;
    std::uint32_t fromTag;
    int factor;
  } cases[] = {{16, 2, 1}, {32, 1, 1}, {48, 2, 3}, {64, 1, 2}, {128, 1, 4}, {256, 1, 8}};
  std::vector<int> sizes;
  for (const auto& c : cases) sizes.push_back(c.size);

  const auto images = packaging::iconAtSizes(drawn, sizes);
  ASSERT_EQ(images.size(), std::size(cases));
  for (std::size_t i = 0; i < images.size(); ++i) {
    const auto& c = cases[i];
    const auto& image = images[i];
    SCOPED_TRACE(c.size);
    ASSERT_EQ(image.width, c.size);
    ASSERT_EQ(image.height, c.size);
    ASSERT_EQ(image.argb.size(), static_cast<std::size_t>(c.size * c.size));
    // Every pixel is the source pixel its block stands for.
    for (int y = 0; y < c.size; ++y) {
      for (int x = 0; x < c.size; ++x) {
        const std::uint32_t expected = c.fromTag << 16 |
                                       static_cast<std::uint32_t>(y / c.factor) << 8 |
                                       static_cast<std::uint32_t>(x / c.factor);
        ASSERT_EQ(pixel(image, x, y), expected) << "at " << x << "," << y;
      }
    }
  }
}

TEST(IconSizes, ASizeNoDrawingDividesIsLeftOut) {
  const auto images = packaging::iconAtSizes({numbered(32, 1), numbered(16, 2)}, {24, 16, 22});
  ASSERT_EQ(images.size(), 1u);
  EXPECT_EQ(images[0].width, 16);
}

TEST(IconSizes, TheSystemIconsCoverEveryHicolorSize) {
  const std::vector<int> sizes(packaging::kHicolorSizes.begin(), packaging::kHicolorSizes.end());
  for (const UINT id : {UINT{IDR_MAINFRAME}, UINT{IDR_KORVANTYPE}}) {
    const auto images = packaging::iconAtSizes(loadSystemIcon(id), sizes);
    ASSERT_EQ(images.size(), sizes.size()) << "icon " << id;
    for (std::size_t i = 0; i < sizes.size(); ++i) EXPECT_EQ(images[i].width, sizes[i]);
  }
}

}  // namespace
