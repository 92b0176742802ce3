#include "tools/line_simulator/pacing.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using linesim::bytesDueAfter;
using linesim::timeForBytes;

TEST(Pacing, BytesDueFollowTenBitsAByte) {
  EXPECT_EQ(bytesDueAfter(1s, 256000), 25600u);
  EXPECT_EQ(bytesDueAfter(10ms, 256000), 256u);
  EXPECT_EQ(bytesDueAfter(1ms, 256000), 25u);  // 25.6 whole bytes
  EXPECT_EQ(bytesDueAfter(1s, 115200), 11520u);
  EXPECT_EQ(bytesDueAfter(1s, 110), 11u);
  EXPECT_EQ(bytesDueAfter(0ns, 256000), 0u);
  EXPECT_EQ(bytesDueAfter(-5ms, 256000), 0u);
  // Long runs stay exact: a day at 256000 and a year at 9600 baud.
  EXPECT_EQ(bytesDueAfter(24h, 256000), 2'211'840'000u);
  EXPECT_EQ(bytesDueAfter(24h * 365, 9600), 30'274'560'000u);
}

TEST(Pacing, TimeForBytesIsTheExactInverse) {
  for (std::uint32_t baud :
       {50u, 110u, 9600u, 14400u, 115200u, 128000u, 256000u, 921600u, 3000000u, 4000000u}) {
    for (std::uint64_t n : {1ull, 2ull, 3ull, 255ull, 25601ull, 1'000'003ull}) {
      const auto t = timeForBytes(n, baud);
      EXPECT_EQ(bytesDueAfter(t, baud), n) << baud << " " << n;
      EXPECT_EQ(bytesDueAfter(t - 1ns, baud), n - 1) << baud << " " << n;
    }
  }
  EXPECT_EQ(timeForBytes(25600, 256000), 1s);
  EXPECT_EQ(timeForBytes(300000, 3000000), 1s);
}

using Clock = linesim::UartPacer::Clock;

TEST(UartPacer, SendsExactlyTheRateInSmallSlices) {
  linesim::UartPacer pacer(256000);
  const Clock::time_point start{};
  pacer.restart(start);
  std::size_t largest = 0;
  for (int ms = 1; ms <= 1000; ++ms) {
    const std::size_t n = pacer.allowance(start + std::chrono::milliseconds(ms));
    largest = std::max(largest, n);
    pacer.consumed(n);
  }
  EXPECT_EQ(pacer.sent(), 25600u);
  EXPECT_LE(largest, 26u);
}

TEST(UartPacer, CarriesUnsentBytesAndCapsABacklog) {
  linesim::UartPacer pacer(256000);
  const Clock::time_point start{};
  pacer.restart(start);
  EXPECT_EQ(pacer.allowance(start + 2ms), 51u);
  pacer.consumed(20);  // the queue took only part of it
  EXPECT_EQ(pacer.allowance(start + 2ms), 31u);
  pacer.consumed(31);

  // Late by a second: catches up in bursts of about 8 ms, so no byte of the rate is lost.
  const auto late = start + 1002ms;
  EXPECT_EQ(pacer.burstLimit(), 205u);
  std::uint64_t caughtUp = 0;
  for (int slice = 0; slice < 200; ++slice) {
    const std::size_t n = pacer.allowance(late);
    EXPECT_LE(n, pacer.burstLimit());
    pacer.consumed(n);
    caughtUp += n;
  }
  EXPECT_EQ(pacer.sent(), 25651u);  // 1002 ms at 256000 baud
  EXPECT_EQ(caughtUp, 25651u - 51u);

  // Held off by a full queue: the backlog is dropped and the rate counts from now.
  const auto later = late + 1000ms;
  pacer.forgetBacklog(later);
  EXPECT_EQ(pacer.allowance(later), 0u);
  EXPECT_EQ(pacer.allowance(later + 5ms), 128u);
}

TEST(UartPacer, RestartForgetsTheIdleTimeBetweenFrames) {
  linesim::UartPacer pacer(9600);
  const Clock::time_point start{};
  pacer.restart(start);
  pacer.consumed(pacer.allowance(start + 5ms));
  EXPECT_EQ(pacer.sent(), 4u);
  pacer.restart(start + 500ms);  // a pause, then the next frame
  EXPECT_EQ(pacer.allowance(start + 500ms), 0u);
  EXPECT_EQ(pacer.allowance(start + 505ms), 4u);
  pacer.consumed(4);
  EXPECT_EQ(pacer.allowance(start + 510ms), 5u);
}

TEST(UartPacer, PacesThreeMegabaudInTwoMillisecondSlices) {
  linesim::UartPacer pacer(3000000);
  const Clock::time_point start{};
  pacer.restart(start);
  for (int ms = 2; ms <= 600'000; ms += 2) {
    const std::size_t n = pacer.allowance(start + std::chrono::milliseconds(ms));
    ASSERT_EQ(n, 600u) << ms;  // 3000 bits a millisecond, 10 a byte
    pacer.consumed(n);
  }
  EXPECT_EQ(pacer.sent(), 180'000'000u) << "ten minutes at 300,000 bytes a second";
  EXPECT_EQ(pacer.burstLimit(), 2401u) << "8 ms of data";
}

}  // namespace
