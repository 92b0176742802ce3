#include "platform/win32/icon_file.h"

#include <windows.h>

#include <algorithm>

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

std::uintptr_t makeNativeIcon(const NativeIcon& image) {
  if (image.width <= 0 || image.height <= 0 ||
      image.argb.size() != static_cast<std::size_t>(image.width * image.height)) {
    return 0;
  }
  BITMAPV5HEADER header{};
  header.bV5Size = sizeof(header);
  header.bV5Width = image.width;
  header.bV5Height = -image.height;  // top row first
  header.bV5Planes = 1;
  header.bV5BitCount = 32;
  header.bV5Compression = BI_BITFIELDS;
  header.bV5RedMask = 0x00FF0000;
  header.bV5GreenMask = 0x0000FF00;
  header.bV5BlueMask = 0x000000FF;
  header.bV5AlphaMask = 0xFF000000;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HBITMAP colour = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS,
                                    &bits, nullptr, 0);
  ReleaseDC(nullptr, screen);
  if (colour == nullptr || bits == nullptr) return 0;
  std::copy(image.argb.begin(), image.argb.end(), static_cast<std::uint32_t*>(bits));
  HBITMAP mask = CreateBitmap(image.width, image.height, 1, 1, nullptr);
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmColor = colour;
  info.hbmMask = mask;
  HICON icon = CreateIconIndirect(&info);
  DeleteObject(colour);
  DeleteObject(mask);
  return reinterpret_cast<std::uintptr_t>(icon);
}

}  // namespace platform::win32
