#include "tools/record/pcap_recording.h"

#include <utility>

#include "capture/monitor_state.h"
#include "capture/utc_time_text.h"
#include "tools/dump/capture_record_reader.h"

namespace recorder {

namespace pe = pcap_export;

namespace {

bool rose(const std::optional<std::uint64_t>& before, const std::optional<std::uint64_t>& now) {
  return now.has_value() && *now > before.value_or(0);
}

std::array<std::int64_t, 2> gapsOf(const PcapRecording::Setup& setup) {
  std::array<std::int64_t, 2> gaps{0, 0};
  if (!setup.joinGap) return gaps;
  for (std::size_t port = 0; port < setup.ports.size() && port < 2; ++port) {
    gaps[port] = setup.joinGap->micros(setup.joinBaud.value_or(setup.ports[port].baud));
  }
  return gaps;
}

}  // namespace

std::vector<pe::LineEvent> lineErrorEvents(const platform::LineErrorCounts& before,
                                           const platform::LineErrorCounts& now) {
  std::vector<pe::LineEvent> events;
  if (rose(before.parity, now.parity)) events.push_back(pe::LineEvent::ParityError);
  if (rose(before.framing, now.framing)) events.push_back(pe::LineEvent::FramingError);
  if (rose(before.breaks, now.breaks)) events.push_back(pe::LineEvent::SerialBreak);
  if (rose(before.overrun, now.overrun) || rose(before.bufferOverrun, now.bufferOverrun)) {
    events.push_back(pe::LineEvent::SerialOverflow);
  }
  return events;
}

std::string portLineText(const PortLine& line) {
  return line.name + "," + std::to_string(line.baud) + "," + line.dataBits + "," + line.parity +
         "," + line.stopBits;
}

PollTimeline::PollTimeline() : PollTimeline(Clock::now(), wallClockMicrosNow()) {}

PollTimeline::PollTimeline(Clock::time_point steadyAnchor, std::int64_t wallAnchorMicros)
    : steadyAnchor_(steadyAnchor), wallAnchorMicros_(wallAnchorMicros) {}

std::int64_t PollTimeline::wallMicros(Clock::time_point steady) const {
  return wallAnchorMicros_ +
         std::chrono::duration_cast<std::chrono::microseconds>(steady - steadyAnchor_).count();
}

PcapRecording::PcapRecording(Setup setup, PollTimeline timeline)
    : setup_(std::move(setup)), timeline_(timeline), joiner_(gapsOf(setup_)) {}

std::string PcapRecording::open() {
  if (!writing()) return {};
  return file_.create(setup_.path);
}

std::string PcapRecording::description() const {
  std::string text = "start=" + utcTimeText(startMicros_.value_or(0)) +
                     " poll-ms=" + std::to_string(setup_.pollMs);
  for (std::size_t port = 0; port < setup_.ports.size(); ++port) {
    text += std::string(port == 0 ? " port-a=" : " port-b=") + portLineText(setup_.ports[port]);
  }
  return text;
}

std::string PcapRecording::afterPoll(Clock::time_point pollTime, const std::uint8_t* records,
                                     std::size_t bytes) {
  const std::int64_t pollMicros = timeline_.wallMicros(pollTime);
  if (!startMicros_) {
    startMicros_ = pollMicros;
    previousPollMicros_ = pollMicros;
    // What the file alone cannot say, as its first packet.
    pe::SerialPacket about;
    about.timeMicros = pollMicros;
    about.event = pe::LineEvent::StatusChange;
    const std::string text = description();
    about.payload.assign(text.begin(), text.end());
    if (writing()) joiner_.addEvent(std::move(about));
  }
  if (!writing()) return {};

  // The poll's records: port A's, then port B's, each port's bytes one packet.
  for (auto& portBytes : pollBytes_) portBytes.clear();
  for (std::size_t at = 0; at + capture_text::kRecordHeaderBytes <= bytes;) {
    const std::size_t length = records[at];
    const int tag = records[at + 1];
    if (tag == pe::kPortTagA || tag == pe::kPortTagB) {
      const std::uint8_t* data = records + at + capture_text::kRecordHeaderBytes;
      pollBytes_[std::size_t(tag - 1)].insert(pollBytes_[std::size_t(tag - 1)].end(), data,
                                              data + length);
    }
    at += capture_text::kRecordHeaderBytes + length;
  }
  for (std::size_t port = 0; port < setup_.ports.size() && port < 2; ++port) {
    joiner_.addData(int(port) + 1, pollMicros, previousPollMicros_, pollBytes_[port]);
    noteLinesOf(int(port), pollMicros);
  }
  joiner_.pollDone(pollMicros);
  previousPollMicros_ = pollMicros;
  return writeReady();
}

void PcapRecording::noteLinesOf(int port, std::int64_t pollMicros) {
  const auto index = static_cast<std::size_t>(port);
  const platform::CommHandle handle = monitorState.portHandle[port];
  auto event = [&](pe::LineEvent type) {
    pe::SerialPacket packet;
    packet.timeMicros = pollMicros;
    packet.event = type;
    packet.footer = static_cast<std::uint16_t>(port + 1);
    joiner_.addEvent(std::move(packet));
  };
  if (handle != platform::kInvalidCommHandle) {
    const platform::LineErrorCounts now = platform::commBackend().lineErrors(handle);
    for (pe::LineEvent type : lineErrorEvents(lineErrors_[index], now)) event(type);
    lineErrors_[index] = now;
  }
  // From the poll that found the device gone, its bytes are lost until it
  // is back.
  const std::uint32_t timesLost = monitorState.portRun[port].timesLost;
  if (timesLost > timesLost_[index]) event(pe::LineEvent::CaptureDataLost);
  timesLost_[index] = timesLost;
}

std::string PcapRecording::writeReady() {
  std::vector<pe::SerialPacket>& ready = joiner_.ready();
  if (ready.empty()) return {};
  std::string error = file_.write(ready);
  ready.clear();
  return error;
}

std::string PcapRecording::syncIfDue(Clock::time_point now, bool force) {
  if (!writing()) return {};
  return file_.syncIfDue(now, force);
}

std::string PcapRecording::finish() {
  if (!writing()) return {};
  joiner_.finish();
  if (std::string error = writeReady(); !error.empty()) return error;
  if (std::string error = file_.syncIfDue(Clock::now(), true); !error.empty()) return error;
  return file_.close();
}

}  // namespace recorder
