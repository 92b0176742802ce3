// Error flags as ClearCommError reports them, one report per query, turned
// into counts that say they are lower bounds.
#include "platform/win32/line_error_tally.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

namespace {

using platform::LineErrorCounts;

TEST(Win32LineErrorTally, EachReportedKindAddsOneAndCountsAreLowerBounds) {
  struct Case {
    const char* what;
    std::vector<DWORD> reports;
    LineErrorCounts expected;
  };
  const Case cases[] = {
      {"nothing reported: known zeros", {0, 0}, {0, 0, 0, 0, 0, true}},
      {"each kind once",
       {CE_RXPARITY | CE_FRAME | CE_OVERRUN | CE_RXOVER | CE_BREAK},
       {1, 1, 1, 1, 1, true}},
      {"a burst in one query counts one; each query that reports it adds one",
       {CE_FRAME, CE_FRAME, 0, CE_FRAME | CE_RXPARITY},
       {1, 3, 0, 0, 0, true}},
      {"flags that are no line error count nothing", {CE_TXFULL | CE_MODE}, {0, 0, 0, 0, 0, true}},
  };
  for (const Case& c : cases) {
    platform::win32::LineErrorTally tally;
    for (const DWORD report : c.reports) tally.add(report);
    EXPECT_EQ(tally.counts(), c.expected) << c.what;
  }
}

}  // namespace
