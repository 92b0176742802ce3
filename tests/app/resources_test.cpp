#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "packaging/png_writer.h"
#include "res/accelerators.h"
#include "res/dialog_templates.h"
#include "res/icons.h"
#include "res/main_menu.h"
#include "res/resource.h"
#include "res/string_table.h"
#include "res/system_resources.h"

namespace {

struct Entry {
  std::string text;
  UINT id;  // 0 separator, (UINT)-1 popup
  bool operator==(const Entry&) const = default;
};

std::vector<Entry> entries(const CMenu& menu) {
  std::vector<Entry> result;
  for (int i = 0; i < menu.GetMenuItemCount(); ++i) {
    result.push_back({menu.GetMenuString(i), menu.GetMenuItemID(i)});
  }
  return result;
}

constexpr UINT kPopup = static_cast<UINT>(-1);

TEST(MainMenu, BarAndPopupsInTheirOrderWithTheirCommandIds) {
  const auto bar = loadMainMenu();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(entries(*bar),
            (std::vector<Entry>{
                {"File", kPopup}, {"Action", kPopup}, {"Setup", 32774}, {"&Help", kPopup}}));
  EXPECT_EQ(bar->GetSubMenu(2), nullptr) << "Setup opens no popup";
  EXPECT_EQ(entries(*bar->GetSubMenu(0)),
            (std::vector<Entry>{{"Read file", 32775}, {"Save File", 32776}}));
  EXPECT_EQ(entries(*bar->GetSubMenu(1)),
            (std::vector<Entry>{{"Connect...", 32771}, {"Disconnect...", 32772}, {"", 0}}));
  EXPECT_TRUE(bar->GetSubMenu(1)->ItemAt(2)->separator);
  EXPECT_EQ(entries(*bar->GetSubMenu(3)), (std::vector<Entry>{{"&About KORVANE...", 57664}}));
  EXPECT_EQ(bar->FindItem(ID_RESTART_CAPTURE), nullptr) << "the restart command has no item";
}

TEST(MainMenu, EachLoadIsAFreshCopy) {
  auto first = loadMainMenu();
  first->EnableMenuItem(ID_CONNECT, MF_GRAYED | MF_DISABLED);
  EXPECT_TRUE(loadMainMenu()->IsItemEnabled(ID_CONNECT));
}

TEST(Accelerators, TheFrameworksStandardKeysInOrder) {
  struct Key {
    BYTE fVirt;
    UINT key;
    UINT cmd;
    bool operator==(const Key&) const = default;
  };
  std::vector<Key> table;
  for (const ACCEL& a : mainAccelerators()) table.push_back({a.fVirt, a.key, a.cmd});
  constexpr BYTE ctrl = FVIRTKEY | FCONTROL;
  constexpr BYTE shift = FVIRTKEY | FSHIFT;
  constexpr BYTE alt = FVIRTKEY | FALT;
  EXPECT_EQ(table, (std::vector<Key>{{ctrl, 'N', 57600},
                                     {ctrl, 'O', 57601},
                                     {ctrl, 'S', 57603},
                                     {ctrl, 'Z', 57643},
                                     {alt, 0x08, 57643},
                                     {ctrl, 'X', 57635},
                                     {shift, 0x2E, 57635},
                                     {ctrl, 'C', 57634},
                                     {ctrl, 0x2D, 57634},
                                     {ctrl, 'V', 57637},
                                     {shift, 0x2D, 57637},
                                     {FVIRTKEY, 0x75, 57680},
                                     {shift, 0x75, 57681}}));
  for (const Key& key : table) EXPECT_NE(key.cmd, ID_RESTART_CAPTURE);
}

TEST(StringTable, TemplateStringAndApplicationName) {
  EXPECT_EQ(loadSystemString(128),
            "KORVANE\n\nKORVAN\nKORVAN Files (*.kvn)\n.kvn\nKORVANE.Document\nKORVAN Document");
  EXPECT_EQ(loadSystemString(57344), "KORVANE");
  EXPECT_EQ(loadSystemString(1), "");
}

TEST(AboutBox, Template100WithIconVersionAndOk) {
  const auto& about = aboutDialogTemplate();
  EXPECT_EQ(about.id, 100u);
  EXPECT_EQ(about.caption, "About KORVANE");
  EXPECT_EQ(about.fontName, "MS Sans Serif");
  EXPECT_EQ(about.pointSize, 8);
  EXPECT_EQ(about.cx, 235);
  EXPECT_EQ(about.cy, 83);
  ASSERT_EQ(about.controls.size(), 3u);
  const auto& icon = about.controls[0];
  EXPECT_EQ(icon.kind, platform::ControlKind::Icon);
  EXPECT_EQ(icon.iconId, 128);
  EXPECT_EQ(std::make_pair(icon.x, icon.y), std::make_pair(11, 17));
  const auto& version = about.controls[1];
  EXPECT_EQ(version.kind, platform::ControlKind::Label);
  EXPECT_EQ(version.caption, "KORVANE Version 1.4");
  EXPECT_TRUE(version.noPrefix);
  EXPECT_EQ((std::vector<int>{version.x, version.y, version.cx, version.cy}),
            (std::vector<int>{40, 10, 119, 8}));
  const auto& ok = about.controls[2];
  EXPECT_EQ(ok.kind, platform::ControlKind::DefPushButton);
  EXPECT_EQ(ok.id, IDOK);
  EXPECT_EQ(ok.caption, "OK");
  EXPECT_EQ((std::vector<int>{ok.x, ok.y, ok.cx, ok.cy}), (std::vector<int>{178, 7, 50, 14}));
}

TEST(Icons, ApplicationAndDocumentIconsIn32And16PixelsOfSixteenColours) {
  for (UINT id : {128u, 129u}) {
    const auto images = loadSystemIcon(id);
    ASSERT_EQ(images.size(), 2u) << id;
    EXPECT_EQ(images[0].width, 32);
    EXPECT_EQ(images[1].width, 16);
    std::set<std::uint32_t> colours;
    for (const auto& image : images) {
      EXPECT_EQ(image.height, image.width);
      ASSERT_EQ(image.argb.size(), static_cast<std::size_t>(image.width * image.height));
      int opaque = 0;
      for (std::uint32_t pixel : image.argb) {
        const std::uint32_t alpha = pixel >> 24;
        EXPECT_TRUE(alpha == 0 || alpha == 0xFF);
        if (alpha != 0) {
          ++opaque;
          colours.insert(pixel);
        }
      }
      EXPECT_GT(opaque, image.width * image.height / 3) << "a picture, not a blank";
    }
    EXPECT_LE(colours.size(), 16u);
  }
  EXPECT_TRUE(loadSystemIcon(130).empty());
}

TEST(SystemResources, LoadEverythingByTheFramesId) {
  const auto& resources = systemResources();
  EXPECT_NE(resources.loadMenu(128), nullptr);
  EXPECT_EQ(resources.loadMenu(129), nullptr);
  EXPECT_EQ(resources.loadAccelerators(128).size(), 13u);
  EXPECT_TRUE(resources.loadAccelerators(100).empty());
  EXPECT_EQ(resources.loadIcon(128).size(), 2u);
  EXPECT_EQ(resources.loadString(57344), "KORVANE");
}

// Reads back the pixels of a PNG made of stored deflate blocks, checking
// every length, CRC and checksum on the way.
std::vector<std::uint32_t> decodeStoredPng(const std::vector<std::uint8_t>& png, int& width,
                                           int& height) {
  const auto be32 = [&](std::size_t at) {
    return (std::uint32_t{png.at(at)} << 24) | (std::uint32_t{png.at(at + 1)} << 16) |
           (std::uint32_t{png.at(at + 2)} << 8) | std::uint32_t{png.at(at + 3)};
  };
  const auto crc = [](const std::uint8_t* data, std::size_t size) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
      c ^= data[i];
      for (int k = 0; k < 8; ++k) c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    }
    return ~c;
  };
  const std::vector<std::uint8_t> signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  EXPECT_TRUE(std::equal(signature.begin(), signature.end(), png.begin()));
  std::vector<std::uint8_t> zlib;
  std::size_t at = 8;
  std::vector<std::string> chunks;
  while (at < png.size()) {
    const std::uint32_t length = be32(at);
    const std::string type(png.begin() + static_cast<std::ptrdiff_t>(at + 4),
                           png.begin() + static_cast<std::ptrdiff_t>(at + 8));
    EXPECT_EQ(be32(at + 8 + length), crc(png.data() + at + 4, length + 4)) << type;
    if (type == "IHDR") {
      width = static_cast<int>(be32(at + 8));
      height = static_cast<int>(be32(at + 12));
      EXPECT_EQ(png[at + 16], 8);
      EXPECT_EQ(png[at + 17], 6);
    }
    if (type == "IDAT") {
      zlib.insert(zlib.end(), png.begin() + static_cast<std::ptrdiff_t>(at + 8),
                  png.begin() + static_cast<std::ptrdiff_t>(at + 8 + length));
    }
    chunks.push_back(type);
    at += 12 + length;
  }
  EXPECT_EQ(chunks, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
  std::vector<std::uint8_t> raw;
  std::size_t pos = 2;
  for (bool last = false; !last;) {
    last = (zlib.at(pos) & 1) != 0;
    const unsigned len = zlib.at(pos + 1) | (unsigned{zlib.at(pos + 2)} << 8);
    const unsigned nlen = zlib.at(pos + 3) | (unsigned{zlib.at(pos + 4)} << 8);
    EXPECT_EQ(len ^ 0xFFFFu, nlen);
    raw.insert(raw.end(), zlib.begin() + static_cast<std::ptrdiff_t>(pos + 5),
               zlib.begin() + static_cast<std::ptrdiff_t>(pos + 5 + len));
    pos += 5 + len;
  }
  std::uint32_t a = 1;
  std::uint32_t b = 0;
  for (std::uint8_t byte : raw) {
    a = (a + byte) % 65521u;
    b = (b + a) % 65521u;
  }
  const std::uint32_t adler = (std::uint32_t{zlib.at(pos)} << 24) |
                              (std::uint32_t{zlib.at(pos + 1)} << 16) |
                              (std::uint32_t{zlib.at(pos + 2)} << 8) | zlib.at(pos + 3);
  EXPECT_EQ(adler, (b << 16) | a);
  std::vector<std::uint32_t> pixels;
  const std::size_t stride = static_cast<std::size_t>(width) * 4 + 1;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = raw.data() + static_cast<std::size_t>(y) * stride;
    EXPECT_EQ(row[0], 0) << "filter type none";
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = row + 1 + x * 4;
      pixels.push_back((std::uint32_t{p[3]} << 24) | (std::uint32_t{p[0]} << 16) |
                       (std::uint32_t{p[1]} << 8) | p[2]);
    }
  }
  return pixels;
}

TEST(PngWriter, IconPixelsSurviveTheRoundTrip) {
  for (const auto& image : loadSystemIcon(128)) {
    int width = 0;
    int height = 0;
    EXPECT_EQ(decodeStoredPng(packaging::encodePng(image), width, height), image.argb);
    EXPECT_EQ(width, image.width);
    EXPECT_EQ(height, image.height);
  }
}

TEST(PngWriter, ImagesLargerThanOneStoredBlockSpanSeveral) {
  platform::IconImage big;
  big.width = 200;
  big.height = 100;  // 80,100 bytes of rows: two blocks
  for (int i = 0; i < big.width * big.height; ++i) {
    big.argb.push_back(0xFF000000u | static_cast<std::uint32_t>(i * 2654435761u >> 8));
  }
  int width = 0;
  int height = 0;
  EXPECT_EQ(decodeStoredPng(packaging::encodePng(big), width, height), big.argb);
}

}  // namespace
