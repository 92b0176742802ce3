#include "platform/qt/file_filter.h"

#include <gtest/gtest.h>

using platform::qt::qtFileFilter;
using platform::qt::qtPatternFilter;

TEST(FileFilter, PairsBecomeDescriptionsWithTrimmedPatternsInParentheses) {
  // The capture file dialogs' own filter, blanks and all.
  EXPECT_EQ(qtFileFilter("(*.kvn) | *.log |(*.*) | *.*||"), "(*.kvn) (*.log);;(*.*) (*)");
  EXPECT_EQ(qtFileFilter("KORVAN Files (*.kvn)|*.kvn||"), "KORVAN Files (*.kvn) (*.kvn)");
}

TEST(FileFilter, SeveralPatternsOfOneEntryAreSeparatedByBlanks) {
  EXPECT_EQ(qtFileFilter("Logs|*.log; *.txt ;|All|*||"), "Logs (*.log *.txt);;All (*)");
}

TEST(FileFilter, StopsAtTheFirstEmptyFieldAndSkipsEntriesWithoutPatterns) {
  EXPECT_EQ(qtFileFilter(""), "");
  EXPECT_EQ(qtFileFilter("||"), "");
  EXPECT_EQ(qtFileFilter("A|*.a||B|*.b||"), "A (*.a)");
  EXPECT_EQ(qtFileFilter("None| |A|*.a||"), "A (*.a)");
  EXPECT_EQ(qtFileFilter("Dangling description"), "");
}

TEST(FileFilter, ANameWithAWildcardStandsForTheFilterOfItsPatterns) {
  const std::pair<const char*, const char*> cases[] = {
      {"*.kvn", "*.kvn"},
      {" *.kvn ", "*.kvn"},
      {"*.*", "*"},
      {"run?.log", "run?.log"},
      {"*.kvn;*.log", "*.kvn *.log"},
      {"capture.kvn", ""},
      {"", ""},
      {"*", "*"},
  };
  for (const auto& [name, filter] : cases) EXPECT_EQ(qtPatternFilter(name), filter) << name;
}
