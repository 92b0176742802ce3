#include "platform/win32/icon_file.h"

namespace platform::win32 {
namespace {

void putWord(std::vector<std::uint8_t>& bytes, unsigned value) {
  bytes.push_back(static_cast<std::uint8_t>(value & 0xFF));
  bytes.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void putDword(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
  putWord(bytes, value & 0xFFFF);
  putWord(bytes, value >> 16);
}

}  // namespace

std::vector<std::uint8_t> iconFileBytes(const std::vector<NativeIcon>& images) {
  std::vector<std::uint8_t> bytes;
  putWord(bytes, 0);
  putWord(bytes, 1);  // an icon
  putWord(bytes, static_cast<unsigned>(images.size()));
  std::vector<std::vector<std::uint8_t>> bodies;
  for (const auto& image : images) {
    std::vector<std::uint8_t> body;
    const auto width = static_cast<std::uint32_t>(image.width);
    const auto height = static_cast<std::uint32_t>(image.height);
    // BITMAPINFOHEADER; the height counts the colour and the mask image.
    putDword(body, 40);
    putDword(body, width);
    putDword(body, height * 2);
    putWord(body, 1);
    putWord(body, 32);
    for (int i = 0; i < 6; ++i) putDword(body, 0);
    for (std::uint32_t row = height; row-- > 0;) {  // bottom row first
      for (std::uint32_t x = 0; x < width; ++x) putDword(body, image.argb[row * width + x]);
    }
    const std::uint32_t maskStride = ((width + 31) / 32) * 4;
    for (std::uint32_t row = height; row-- > 0;) {
      std::vector<std::uint8_t> mask(maskStride, 0);
      for (std::uint32_t x = 0; x < width; ++x) {
        // Set bits are transparent.
        if ((image.argb[row * width + x] >> 24) == 0) {
          mask[x / 8] = static_cast<std::uint8_t>(mask[x / 8] | (0x80 >> (x % 8)));
        }
      }
      body.insert(body.end(), mask.begin(), mask.end());
    }
    bodies.push_back(std::move(body));
  }
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    bytes.push_back(static_cast<std::uint8_t>(images[i].width >= 256 ? 0 : images[i].width));
    bytes.push_back(static_cast<std::uint8_t>(images[i].height >= 256 ? 0 : images[i].height));
    bytes.push_back(0);  // no palette
    bytes.push_back(0);
    putWord(bytes, 1);
    putWord(bytes, 32);
    putDword(bytes, static_cast<std::uint32_t>(bodies[i].size()));
    putDword(bytes, offset);
    offset += static_cast<std::uint32_t>(bodies[i].size());
  }
  for (const auto& body : bodies) bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

}  // namespace platform::win32
