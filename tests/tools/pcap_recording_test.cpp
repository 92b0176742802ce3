// The recorder's pcap file on the scripted serial backend, read back by the
// real analyser: each port's bytes of a poll as one packet at the poll's
// wall-clock time, line errors and a lost device as their event packets,
// the description first.
#include "tools/record/pcap_recording.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>

#include "capture/poll_cycle.h"
#include "tests/serial/serial_fixture.h"
#include "tests/tools/tshark_reader.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class ReadingHost final : public PollCycleHost {
 public:
  explicit ReadingHost(CSetupDlg& dlg) : dlg_(dlg) {}
  int readPort(int port, std::uint8_t* buffer) override { return dlg_.readPort(port, buffer); }
  void redrawCapture() override {}
  void stopOnFullStore() override { ADD_FAILURE() << "the store cannot run full here"; }

 private:
  CSetupDlg& dlg_;
};

class PcapRecordingTest : public SerialFixture {
 protected:
  void SetUp() override {
    SerialFixture::SetUp();
    char pattern[] = "/tmp/pcap-recording-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    fs::remove_all(dir_);
    SerialFixture::TearDown();
  }
  fs::path dir_;
};

TEST_F(PcapRecordingTest, PollsLineErrorsAndALostDeviceReadBackFromTheAnalyser) {
  if (const std::string why = tool_test::tsharkMissing(); !why.empty()) GTEST_SKIP() << why;
  comm.addDevice("COM3").lineErrors = {
      .parity = 0, .framing = 0, .overrun = 0, .bufferOverrun = 0, .breaks = 0};
  comm.addDevice("COM4");  // counts unknown, as on a pseudo-terminal
  CSetupDlg dlg;
  dlg.loadCaptureSettings();
  dlg.openAllPorts();
  ASSERT_EQ(monitorState.connected, 1);
  ReadingHost host(dlg);

  const Clock::time_point t0 = Clock::now();
  const std::int64_t wall0 = 1'796'752'707'000'000;  // 2026-12-08T17:58:27Z
  recorder::PcapRecording::Setup setup;
  setup.path = (dir_ / "capture.pcap").string();
  setup.pollMs = 10;
  setup.ports = {{"COM3", 9600, "8", "EVEN", "1"}, {"COM4", 19200, "7", "NONE", "2"}};
  recorder::PcapRecording pcap(setup, recorder::PollTimeline(t0, wall0));
  ASSERT_EQ(pcap.open(), "");

  // poll(at, what happens before it): reads both ports, hands the records on.
  auto poll = [&](std::chrono::microseconds at) {
    const std::uint8_t* before = monitorState.writePos;
    pollConnectedPorts(host);
    const auto bytes = static_cast<std::size_t>(monitorState.writePos - before);
    ASSERT_EQ(pcap.afterPoll(t0 + at, before, bytes), "");
  };
  testing::internal::CaptureStderr();  // the device lost and back lines
  comm.queueBytes("COM3", Bytes(40, 'a'));
  comm.queueBytes("COM4", bytesOf("xy"));
  poll(0us);
  comm.device("COM3")->lineErrors.parity = 2;
  comm.device("COM3")->lineErrors.framing = 1;
  poll(10'001us);
  comm.device("COM3")->present = false;
  comm.queueResult("COM3", -1);
  comm.queueBytes("COM4", bytesOf("z"));
  poll(20'002us);
  comm.device("COM3")->present = true;
  comm.queueBytes("COM3", bytesOf("back"));
  poll(30'003us);
  testing::internal::GetCapturedStderr();
  ASSERT_EQ(pcap.finish(), "");
  EXPECT_EQ(pcap.startMicros(), wall0);
  EXPECT_EQ(pcap.description(),
            "start=2026-12-08T17:58:27.000000Z poll-ms=10 port-a=COM3,9600,8,EVEN,1 "
            "port-b=COM4,19200,7,NONE,2");

  std::string errors;
  const auto packets = tool_test::analyse(setup.path, {}, &errors);
  ASSERT_TRUE(packets) << errors;
  struct Want {
    std::int64_t micros;
    int event;
    int footer;
    std::string payload;
  };
  const std::vector<Want> want{
      {0, 0x00, 0, pcap.description()},
      {0, 0x01, 1, std::string(40, 'a')},
      {0, 0x02, 2, "xy"},
      {10'001, 0x08, 1, ""},
      {10'001, 0x07, 1, ""},
      {20'002, 0x05, 1, ""},
      {20'002, 0x02, 2, "z"},
      {30'003, 0x01, 1, "back"},
  };
  ASSERT_EQ(packets->size(), want.size()) << errors;
  for (std::size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(i);
    const tool_test::AnalysedPacket& got = (*packets)[i];
    EXPECT_EQ(got.epochMicros, wall0 + want[i].micros);
    EXPECT_EQ(got.eventType, want[i].event);
    EXPECT_EQ(got.footer, want[i].footer);
    EXPECT_EQ(std::string(got.payload.begin(), got.payload.end()), want[i].payload);
  }
  EXPECT_NE((*packets)[3].info.find("PARITY_ERROR"), std::string::npos) << (*packets)[3].info;
  EXPECT_NE((*packets)[4].info.find("FRAMING_ERROR"), std::string::npos) << (*packets)[4].info;
  EXPECT_NE((*packets)[5].info.find("CAPTURE_DATA_LOST"), std::string::npos);
}

}  // namespace
