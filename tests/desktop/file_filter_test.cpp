#include "platform/desktop/file_filter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::desktop::dialogFilterEntries;
using platform::desktop::FilterEntry;
using platform::desktop::wildcardPatterns;
using platform::desktop::writtenFilterEntries;

// The capture file dialogs' own filter, blanks and all.
constexpr const char* kCaptureFilter = "(*.kvn) | *.log |(*.*) | *.*||";

TEST(DialogFilterEntries, AWildcardInitialNameComesFirstAndTheWrittenEntriesFollowUnchanged) {
  struct Case {
    std::string filter;
    std::string initialName;
    std::vector<FilterEntry> entries;
  };
  const std::vector<Case> cases{
      {kCaptureFilter, "*.kvn", {{"*.kvn", "*.kvn"}, {"(*.kvn) ", " *.log "}, {"(*.*) ", " *.*"}}},
      {kCaptureFilter,
       " *.kvn ",
       {{"*.kvn", "*.kvn"}, {"(*.kvn) ", " *.log "}, {"(*.*) ", " *.*"}}},
      {kCaptureFilter, "capture.kvn", {{"(*.kvn) ", " *.log "}, {"(*.*) ", " *.*"}}},
      {kCaptureFilter, "", {{"(*.kvn) ", " *.log "}, {"(*.*) ", " *.*"}}},
      {"A|*.a||", "*.kvn; run?.log", {{"*.kvn;run?.log", "*.kvn;run?.log"}, {"A", "*.a"}}},
      {"", "*.kvn", {{"*.kvn", "*.kvn"}}},
      {"", "", {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(dialogFilterEntries(c.filter, c.initialName), c.entries)
        << c.filter << " / " << c.initialName;
  }
}

TEST(WrittenFilterEntries, EndAtTheFirstEmptyField) {
  EXPECT_EQ(writtenFilterEntries("A|*.a||B|*.b||"), (std::vector<FilterEntry>{{"A", "*.a"}}));
  EXPECT_EQ(writtenFilterEntries("None| |A|*.a||"),
            (std::vector<FilterEntry>{{"None", " "}, {"A", "*.a"}}));
  EXPECT_TRUE(writtenFilterEntries("no pattern|").empty());
  EXPECT_TRUE(writtenFilterEntries("||").empty());
  EXPECT_TRUE(writtenFilterEntries("Dangling description").empty());
}

TEST(WildcardPatterns, OnlyANameWithAWildcardStandsForPatterns) {
  EXPECT_EQ(wildcardPatterns("*.kvn;; *.log "), (std::vector<std::string>{"*.kvn", "*.log"}));
  EXPECT_EQ(wildcardPatterns("run?.log"), (std::vector<std::string>{"run?.log"}));
  EXPECT_TRUE(wildcardPatterns("capture.kvn").empty());
  EXPECT_TRUE(wildcardPatterns("").empty());
}

}  // namespace
