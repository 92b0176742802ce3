// The recorder's summary line of a port: exact counts as numbers, unknown
// ones as "unknown", lower bounds with ">=" before the number.
#include "tools/record/port_tally.h"

#include <gtest/gtest.h>

namespace {

TEST(RecorderPortTally, CountsAreExactUnknownOrMarkedAsLowerBounds) {
  using Counts = platform::LineErrorCounts;
  struct Case {
    Counts errors;
    const char* counts;
  };
  const Case cases[] = {
      {Counts{0, 3, 1, 0, 2}, "parity=0 framing=3 overrun=1 buffer-overrun=0 breaks=2"},
      {Counts{},
       "parity=unknown framing=unknown overrun=unknown buffer-overrun=unknown "
       "breaks=unknown"},
      {Counts{0, 3, 1, 0, 2, true}, "parity=0 framing=>=3 overrun=>=1 buffer-overrun=0 breaks=>=2"},
  };
  for (const Case& c : cases) {
    recorder::PortTally tally;
    tally.letter = 'B';
    tally.failedReads = 4;
    tally.statistics.name = "COM4";
    tally.statistics.bytesReceived = 77;
    tally.statistics.recordsCaptured = 8;
    tally.statistics.lineErrors = c.errors;
    EXPECT_EQ(recorder::formatTally(tally),
              std::string("port=B name=COM4 bytes=77 records=8 failed-reads=4 ") + c.counts +
                  " device-lost=0 device-back=0 damaged=unknown");
  }
}

}  // namespace
