#include "capture/poll_period.h"

#include <gtest/gtest.h>

#include <string>

#include "serial/stored_text.h"

namespace {

// The stored polling time as the window's timer and the recorder both run it.
TEST(PollPeriod, StoredTextsPollAtTheWindowsPeriod) {
  struct Case {
    const char* stored;
    std::uint32_t periodMs;
  };
  const Case cases[] = {
      {"abc", 10}, {"", 10},   {"0", 10},  {"-5", 10},   {"1", 10},
      {"9", 10},   {"10", 10}, {"11", 11}, {"25ms", 25}, {"999", 999},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(pollPeriodMs(numberOfText(c.stored)), c.periodMs) << '"' << c.stored << '"';
  }
}

}  // namespace
