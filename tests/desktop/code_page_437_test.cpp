#include "platform/desktop/code_page_437.h"

#include <gtest/gtest.h>

#include <set>

using platform::desktop::glyphCodePoint;

TEST(CodePage437, EveryByteHasItsOwnCharacterAndOnlyTheSpaceIsBlank) {
  std::set<char32_t> seen;
  for (int byte = 0; byte < 256; ++byte) {
    const char32_t codePoint = glyphCodePoint(static_cast<std::uint8_t>(byte));
    EXPECT_TRUE(seen.insert(codePoint).second) << "byte " << byte << " repeats a character";
    const bool blank = codePoint == U' ' || codePoint == 0x00A0 || codePoint < 0x20 ||
                       (codePoint >= 0x7F && codePoint < 0xA0);
    EXPECT_EQ(blank, byte == 0x20) << "byte " << byte;
  }
}

TEST(CodePage437, PrintableAsciiIsItselfAndTheRestIsTheOldCharacterSet) {
  for (int byte = 0x20; byte < 0x7F; ++byte) {
    EXPECT_EQ(glyphCodePoint(static_cast<std::uint8_t>(byte)), static_cast<char32_t>(byte));
  }
  EXPECT_EQ(glyphCodePoint(0x01), U'\u263A');
  EXPECT_EQ(glyphCodePoint(0x0D), U'\u266A');
  EXPECT_EQ(glyphCodePoint(0x0A), U'\u25D9');
  EXPECT_EQ(glyphCodePoint(0x7F), U'\u2302');
  EXPECT_EQ(glyphCodePoint(0x80), U'\u00C7');
  EXPECT_EQ(glyphCodePoint(0xB3), U'\u2502');
  EXPECT_EQ(glyphCodePoint(0xDB), U'\u2588');
  EXPECT_EQ(glyphCodePoint(0xE1), U'\u00DF');
  EXPECT_EQ(glyphCodePoint(0xFE), U'\u25A0');
}
