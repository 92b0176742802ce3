// The recorder's pcap file (korvane-record --pcap): after every poll, each
// port's bytes of that poll as one packet stamped with the poll's wall-clock
// time, event packets when a port's line-error counts rose or its device was
// lost, all through the frame joiner when asked. Also the recording's clock:
// one monotonic reading per poll, anchored once to the wall clock, so the
// times keep their order when the wall clock is set meanwhile.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/comm/comm_backend.h"
#include "tools/pcap/frame_joiner.h"
#include "tools/pcap/join_gap.h"
#include "tools/pcap/pcap_file_writer.h"

namespace recorder {

// The event packets a rise of line-error counts from before to now gives:
// one per kind that rose (parity, framing, break, overflow for the
// receiver's overruns and the driver's queue overflows). A count the driver
// does not keep gives none.
std::vector<pcap_export::LineEvent> lineErrorEvents(const platform::LineErrorCounts& before,
                                                    const platform::LineErrorCounts& now);

// One port's line as the description names it: "COM3,115200,8,NONE,1".
struct PortLine {
  std::string name;
  std::uint32_t baud = 0;
  std::string dataBits;
  std::string parity;  // NONE EVEN ODD MARK SPACE
  std::string stopBits;
};
std::string portLineText(const PortLine& line);

class PollTimeline {
 public:
  using Clock = std::chrono::steady_clock;
  // Anchors the monotonic clock to the wall clock once.
  PollTimeline();
  PollTimeline(Clock::time_point steadyAnchor, std::int64_t wallAnchorMicros);

  // The wall-clock time of a monotonic reading, in microseconds since 1970.
  std::int64_t wallMicros(Clock::time_point steady) const;

 private:
  Clock::time_point steadyAnchor_;
  std::int64_t wallAnchorMicros_;
};

class PcapRecording {
 public:
  using Clock = std::chrono::steady_clock;

  struct Setup {
    std::string path;                             // empty: no pcap file, times only
    std::optional<pcap_export::JoinGap> joinGap;  // frames joined when set
    std::optional<std::uint32_t> joinBaud;        // else each port's own baud
    int pollMs = 10;
    std::vector<PortLine> ports;  // the ports in use, A first
  };

  PcapRecording(Setup setup, PollTimeline timeline = PollTimeline());

  static std::string checkUsable(const std::string& path) {
    return pcap_export::PcapFileWriter::checkUsable(path);
  }
  // Creates the file; the reason on failure.
  std::string open();

  // After a poll read at pollTime: the capture records it added (whole
  // records as in the capture file). Reads each port's line-error counts
  // and device losses. The reason when writing failed.
  std::string afterPoll(Clock::time_point pollTime, const std::uint8_t* records, std::size_t bytes);
  std::string syncIfDue(Clock::time_point now, bool force);
  // Completes the frames, writes the rest and makes the file durable.
  std::string finish();

  bool writing() const { return !setup_.path.empty(); }
  // The first poll's wall-clock time; nullopt before it.
  std::optional<std::int64_t> startMicros() const { return startMicros_; }
  // "start=2026-12-08T17:45:01.250000Z poll-ms=10 port-a=COM3,115200,8,NONE,1
  // port-b=..." as the first packet of the file and the summary say it.
  std::string description() const;
  const pcap_export::PcapFileWriter& file() const { return file_; }

 private:
  std::string writeReady();
  void noteLinesOf(int port, std::int64_t pollMicros);

  Setup setup_;
  PollTimeline timeline_;
  pcap_export::FrameJoiner joiner_;
  pcap_export::PcapFileWriter file_;
  std::optional<std::int64_t> startMicros_;
  std::int64_t previousPollMicros_ = 0;
  std::array<platform::LineErrorCounts, 2> lineErrors_{};
  std::array<std::uint32_t, 2> timesLost_{};
  std::array<std::vector<std::uint8_t>, 2> pollBytes_;
};

}  // namespace recorder
