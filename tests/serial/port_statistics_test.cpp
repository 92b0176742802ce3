#include "serial/port_statistics.h"

#include <regex>
#include <string>

#include "capture/poll_cycle.h"
#include "capture/utc_time_text.h"
#include "serial_fixture.h"

namespace {

TEST(PortStatisticsLine, ShowsCountsWithSeparatorsAndUnknownCountsAsQuestionMarks) {
  using Counts = platform::LineErrorCounts;
  struct Case {
    const char* label;
    const char* name;
    const char* description;
    std::uint64_t bytes;
    Counts errors;
    const char* line;
  };
  const Case cases[] = {
      {"PORT A", "COM3", "/dev/ttyUSB0", 1234567, Counts{0, 3, 0, 0, 0},
       "PORT A COM3 -> /dev/ttyUSB0: 1,234,567 bytes, 0 parity, 3 framing, 0 overrun errors"},
      {"PORT B", "pts/3", "", 0, Counts{},
       "PORT B pts/3: 0 bytes, ? parity, ? framing, ? overrun errors"},
      {"PORT A", "COM1", "/dev/ttyS0", 999, Counts{1000, 0, 2, 1000000, 5},
       "PORT A COM1 -> /dev/ttyS0: 999 bytes, 1,000 parity, 0 framing, 1,000,002 overrun "
       "errors, 5 breaks"},
      {"PORT B", "COM4", "", 1000, Counts{0, 0, std::nullopt, 7, std::nullopt},
       "PORT B COM4: 1,000 bytes, 0 parity, 0 framing, 7 overrun errors"},
      {"PORT A", "COM3", "", 18446744073709551615u, Counts{std::nullopt, 1, 4, std::nullopt, 0},
       "PORT A COM3: 18,446,744,073,709,551,615 bytes, ? parity, 1 framing, 4 overrun errors"},
      // A driver that tells which errors happened, not how many.
      {"PORT A", "COM3", "", 1000, Counts{0, 3, 1, 2, 1234, true},
       "PORT A COM3: 1,000 bytes, 0 parity, at least 3 framing, at least 3 overrun errors, at "
       "least 1,234 breaks"},
      {"PORT B", "COM4", "", 5, Counts{0, 0, 0, 0, 0, true},
       "PORT B COM4: 5 bytes, 0 parity, 0 framing, 0 overrun errors"},
  };
  for (const Case& c : cases) {
    PortStatistics statistics;
    statistics.portLabel = c.label;
    statistics.name = c.name;
    statistics.deviceDescription = c.description;
    statistics.bytesReceived = c.bytes;
    statistics.lineErrors = c.errors;
    EXPECT_EQ(formatPortStatistics(statistics), c.line);
  }
}

// Ticks of the poll cycle on the temporary setup object, as the view runs them.
class PortsHost final : public PollCycleHost {
 public:
  explicit PortsHost(CSetupDlg& dlg) : dlg_(dlg) {}
  int readPort(int port, std::uint8_t* buffer) override { return dlg_.readPort(port, buffer); }
  void redrawCapture() override {}
  void stopOnFullStore() override { ADD_FAILURE() << "the store cannot run full here"; }

 private:
  CSetupDlg& dlg_;
};

TEST(PortStatisticsLine, DamagedBytesMarkedInTheDataFollowWhenThereWereAny) {
  PortStatistics statistics;
  statistics.portLabel = "PORT A";
  statistics.name = "ttyUSB0";
  statistics.bytesReceived = 5000;
  statistics.lineErrors = platform::LineErrorCounts{2, 1, 0, 0, 1};
  statistics.damagedBytes = 1234;
  EXPECT_EQ(formatPortStatistics(statistics),
            "PORT A ttyUSB0: 5,000 bytes, 2 parity, 1 framing, 0 overrun errors, 1 breaks, "
            "1,234 damaged bytes");
  statistics.damagedBytes = 0;
  EXPECT_EQ(formatPortStatistics(statistics),
            "PORT A ttyUSB0: 5,000 bytes, 2 parity, 1 framing, 0 overrun errors, 1 breaks");
}

using PortStatisticsTest = SerialFixture;

TEST_F(PortStatisticsTest, ADeviceThatGoesAwayAndComesBackIsToldOnceEachWayAndCounted) {
  comm.addDevice("COM3").description = "/dev/ttyUSB0";
  comm.device("COM3")->lineErrors = {
      .parity = 0, .framing = 3, .overrun = 1, .bufferOverrun = 2, .breaks = 0};
  comm.addDevice("COM4");
  CSetupDlg dlg;
  dlg.loadCaptureSettings();
  dlg.openAllPorts();
  ASSERT_EQ(monitorState.connected, 1);
  PortsHost host(dlg);

  testing::internal::CaptureStderr();
  const std::int64_t before = wallClockMicrosNow();
  comm.queueBytes("COM3", Bytes(40, 'a'));
  comm.queueBytes("COM4", Bytes(300, 'b'));
  pollConnectedPorts(host);  // poll 1
  comm.device("COM3")->present = false;
  comm.queueResult("COM3", -1);
  comm.queueBytes("COM4", bytesOf("bb"));
  pollConnectedPorts(host);  // poll 2: A is lost, B still read
  comm.queueResult("COM3", -1);
  pollConnectedPorts(host);  // poll 3: still away, nothing more said
  comm.device("COM3")->present = true;
  comm.queueBytes("COM3", bytesOf("back"));
  pollConnectedPorts(host);  // poll 4
  const std::string duringCapture = testing::internal::GetCapturedStderr();
  const std::int64_t after = wallClockMicrosNow();

  // Each line names the poll and the wall-clock time it was seen at.
  const std::regex told(
      "PORT A COM3 -> /dev/ttyUSB0: device lost at poll 2 at (\\S+)\n"
      "PORT A COM3 -> /dev/ttyUSB0: device back at poll 4 at (\\S+), capture goes on\n");
  std::smatch times;
  ASSERT_TRUE(std::regex_match(duringCapture, times, told)) << duringCapture;
  for (std::size_t i = 1; i <= 2; ++i) {
    const auto time = parseUtcTime(times[i].str());
    ASSERT_TRUE(time) << times[i];
    EXPECT_TRUE(*time >= before && *time <= after) << times[i];
  }
  EXPECT_EQ(monitorState.connected, 1) << "a lost device does not end the capture";
  const auto a = openPortStatistics(0);
  const auto b = openPortStatistics(1);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->bytesReceived, 44u);
  EXPECT_EQ(a->recordsCaptured, 4u) << "16 + 16 + 8 on poll 1, 4 on poll 4";
  EXPECT_EQ(a->timesLost, 1u);
  EXPECT_EQ(a->timesBack, 1u);
  EXPECT_FALSE(a->deviceAway);
  EXPECT_EQ(b->bytesReceived, 302u);
  EXPECT_EQ(b->recordsCaptured, 20u) << "256 in 16, then 44 in 3, then 2 in 1";
  EXPECT_EQ(b->timesLost, 0u);

  testing::internal::CaptureStderr();
  dlg.closeAllPorts();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "PORT A COM3 -> /dev/ttyUSB0: 44 bytes, 0 parity, 3 framing, 3 overrun errors\n"
            "PORT B COM4: 302 bytes, ? parity, ? framing, ? overrun errors\n");
  EXPECT_FALSE(openPortStatistics(0).has_value()) << "figures are of open ports";

  // A new open starts from nothing.
  testing::internal::CaptureStderr();
  dlg.openAllPorts();
  dlg.closeAllPorts();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "PORT A COM3 -> /dev/ttyUSB0: 0 bytes, 0 parity, 3 framing, 3 overrun errors\n"
            "PORT B COM4: 0 bytes, ? parity, ? framing, ? overrun errors\n");
}

}  // namespace
