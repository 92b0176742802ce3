#include "res/icons.h"

#include <array>
#include <string_view>

#include "res/resource.h"

namespace {

// The sixteen colours the icons are drawn in, by the digit that stands for
// each in the pictures below; '.' is transparent.
constexpr std::array<std::uint32_t, 16> kPalette{
    0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
    0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
};

// clang-format off
// Icon 128, the monitor: a screen showing a dump with port A rows in white and
// port B rows in red, the caret at the end, on a stand with a serial plug.
constexpr std::array<std::string_view, 32> kApp32{{
    "................................",
    "................................",
    ".888888888888888888888888888880.",
    ".8FFFFFFFFFFFFFFFFFFFFFFFFFFFF0.",
    ".8F7777777777777777777777777770.",
    ".8F7000000000000000000000000770.",
    ".8F70AAAA0FF0FF0FF0FF0FF0FF0770.",
    ".8F70AAAA0FF0FF0FF0FF0FF0FF0770.",
    ".8F7000000000000000000000000770.",
    ".8F70AAAA0990990990990990990770.",
    ".8F70AAAA0990990990990990990770.",
    ".8F7000000000000000000000000770.",
    ".8F70AAAA0FF0FF0FF0FF0FF0FF0770.",
    ".8F70AAAA0FF0FF0FF0FF0FF0FF0770.",
    ".8F7000000000000000000000000770.",
    ".8F70AAAA0990990990990990990770.",
    ".8F70AAAA0990990990990990990770.",
    ".8F7000000000000000000000000770.",
    ".8F70AAAA0FF0FF0FF0FF0FF0FF0770.",
    ".8F70AAAA0FF0FF0FF0FF0FF0FF0770.",
    ".8F7000000000000000000000000770.",
    ".8F7777777777777777777777777770.",
    ".8F7777777777777777777777777770.",
    ".000000000000000000000000000000.",
    "............88888888......4.....",
    "............88888888......4.....",
    "........7777777777777777..4.....",
    "........7777777777777777..4444..",
    "........0000000000000000....CCCC",
    "............................CCCC",
    "............................CCCC",
    "............................4444",
}};
constexpr std::array<std::string_view, 16> kApp16{{
    "................",
    "8888888888888880",
    "8777777777777770",
    "8700000000000070",
    "870AA0F0F0F0F070",
    "8700000000000070",
    "870AA09090909070",
    "8700000000000070",
    "870AA0F0F0F0F070",
    "870000000000F070",
    "8700000000000070",
    "8777777777777770",
    "0000000000000000",
    "......8888......",
    "....77777777....",
    "....00000000....",
}};

// Icon 129, a capture file: a page holding dump rows in black and dark red.
constexpr std::array<std::string_view, 32> kDoc32{{
    "................................",
    ".....000000000000000............",
    ".....0FFFFFFFFFFFFF00...........",
    ".....0FFFFFFFFFFFFF070..........",
    ".....0FFFFFFFFFFFFF0770.........",
    ".....0FFFFFFFFFFFFF07770........",
    ".....0FFFFFFFFFFFFF077770.......",
    ".....0FFFFFFFFFFFFF0777770......",
    ".....0FFFFFFFFFFFFF00000000.....",
    ".....0FFFFFFFFFFFFFFFFFFFF0.....",
    ".....0FFFFFFFFFFFFFFFFFFFF0.....",
    ".....0FF8888F00F00F00F00FF0.....",
    ".....0FFFFFFFFFFFFFFFFFFFF0.....",
    ".....0FFFFFFFFFFFFFFFFFFFF0.....",
    ".....0FF8888F11F11F11F11FF0.....",
    ".....0FFFFFFFFFFFFFFFFFFFF0.....",
    ".....0FFFFFFFFFFFFFFFFFFFF0.....",
    ".....0FF8888F00F00F00F00FF0.....",
    ".....0FFFFFFFFFFFFFFFFFFFF0.....",
    ".....0FFFFFFFFFFFFFFFFFFFF0.....",
    ".....0FF8888F11F11F11F11FF0.....",
    ".....0FFFFFFFFFFFFFFFFFFFF0.....",
    ".....0FFFFFFFFFFFFFFFFFFFF0.....",
    ".....0FF8888F00F00F00F00FF0.....",
    ".....0FFFFFFFFFFFFFFFFFFFF0.....",
    ".....0FFFFFFFFFFFFFFFFFFFF0.....",
    ".....0FF8888F11F11F11F11FF0.....",
    ".....0FFFFFFFFFFFFFFFFFFFF0.....",
    ".....0FFFFFFFFFFFFFFFFFFFF0.....",
    ".....0FFFFFFFFFFFFFFFFFFFF0.....",
    ".....0000000000000000000000.....",
    "................................",
}};
constexpr std::array<std::string_view, 16> kDoc16{{
    "..00000000......",
    "..0FFFFFF00.....",
    "..0FFFFFF070....",
    "..0FFFFFF0770...",
    "..0FFFFFF00000..",
    "..0FFFFFFFFFF0..",
    "..0F88F0F0F0F0..",
    "..0FFFFFFFFFF0..",
    "..0F88F1F1F1F0..",
    "..0FFFFFFFFFF0..",
    "..0F88F0F0F0F0..",
    "..0FFFFFFFFFF0..",
    "..0F88F1F1F1F0..",
    "..0FFFFFFFFFF0..",
    "..0FFFFFFFFFF0..",
    "..000000000000..",
}};
// clang-format on

int paletteIndex(char pixel) {
  if (pixel >= '0' && pixel <= '9') return pixel - '0';
  if (pixel >= 'A' && pixel <= 'F') return pixel - 'A' + 10;
  return -1;
}

template <std::size_t N>
platform::IconImage decode(const std::array<std::string_view, N>& rows) {
  platform::IconImage image;
  image.width = static_cast<int>(N);
  image.height = static_cast<int>(N);
  image.argb.reserve(N * N);
  for (const std::string_view row : rows) {
    for (const char pixel : row) {
      const int index = paletteIndex(pixel);
      image.argb.push_back(index < 0 ? 0u
                                     : 0xFF000000u | kPalette[static_cast<std::size_t>(index)]);
    }
  }
  return image;
}

}  // namespace

std::vector<platform::IconImage> loadSystemIcon(UINT id) {
  switch (id) {
    case IDR_MAINFRAME:
      return {decode(kApp32), decode(kApp16)};
    case IDR_KORVANTYPE:
      return {decode(kDoc32), decode(kDoc16)};
    default:
      return {};
  }
}
