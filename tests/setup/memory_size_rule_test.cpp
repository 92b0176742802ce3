#include "setup/memory_size_rule.h"

#include <gtest/gtest.h>

TEST(TypedMemorySize, OnlyWholeSizesFromOneToThirtyTwoAreUsable) {
  EXPECT_EQ(typedMemorySizeMB("1"), 1);
  EXPECT_EQ(typedMemorySizeMB("3"), 3);
  EXPECT_EQ(typedMemorySizeMB("32"), 32);
  EXPECT_EQ(typedMemorySizeMB(" 16 "), 16);
  EXPECT_EQ(typedMemorySizeMB("032"), 32);
  for (const char* refused : {"", "  ", "0", "33", "64", "-1", "+4", "3.5", "4MB", "abc",
                              "99999999999999999999", "1 6"}) {
    EXPECT_FALSE(typedMemorySizeMB(refused).has_value()) << refused;
  }
}
