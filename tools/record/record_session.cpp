#include "tools/record/record_session.h"

#include <algorithm>

#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "capture/poll_cycle.h"
#include "capture/poll_period.h"
#include "platform/process/stop_request.h"
#include "serial/port_statistics.h"
#include "setup/setup_dlg.h"

namespace recorder {

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::int32_t kOneReadSlots = 16;
// The index is recycled well before its last slot, like the buffer.
constexpr std::int32_t kRecycleAtSlots = kRecordIndexSlots - kRecordIndexSlots / 8;

std::size_t storeUsedBytes() {
  return static_cast<std::size_t>(monitorState.writePos - monitorState.bufferStart);
}

// The poll cycle's outside world in the recorder: the setup object reads the
// ports; a read that might not fit in the store waits for the next tick (its
// bytes stay queued in the port), so nothing is ever refused by the store.
class RecorderPollHost final : public PollCycleHost {
 public:
  RecorderPollHost(CSetupDlg& setup, std::array<PortTally, 2>& ports)
      : setup_(setup), ports_(ports) {}

  int readPort(int port, std::uint8_t* buffer) override {
    const MonitorState& s = monitorState;
    if (captureBufferBytes() - storeUsedBytes() < kOneReadStoreBytes ||
        kRecordIndexSlots - s.recordCount < kOneReadSlots) {
      return 0;
    }
    // The port statistics count what arrived and see the device come and go.
    const int result = setup_.readPort(port, buffer);
    if (result < 0) ++ports_[static_cast<std::size_t>(port)].failedReads;
    return result;
  }
  void redrawCapture() override {}
  void stopOnFullStore() override { refused_ = true; }
  bool refused() const { return refused_; }

 private:
  CSetupDlg& setup_;
  std::array<PortTally, 2>& ports_;
  bool refused_ = false;
};

}  // namespace

bool endedAsAsked(SessionEnd end) {
  return end == SessionEnd::Signal || end == SessionEnd::Seconds || end == SessionEnd::MaxBytes;
}

const char* endName(SessionEnd end) {
  switch (end) {
    case SessionEnd::Signal:
      return "signal";
    case SessionEnd::Seconds:
      return "seconds";
    case SessionEnd::MaxBytes:
      return "max-bytes";
    case SessionEnd::WriteFailed:
      return "write-failed";
    case SessionEnd::StoreRefused:
      return "store-full";
  }
  return "";
}

SessionResult runSession(const RecordOptions& options, CSetupDlg& setup, CaptureFileWriter& file,
                         PcapRecording& pcap, std::FILE* messages) {
  MonitorState& s = monitorState;
  SessionResult result;
  result.portsInUse = s.portBDisabled != 0 ? 1 : 2;
  for (int port = 0; port < 2; ++port) {
    result.ports[static_cast<std::size_t>(port)].letter = static_cast<char>('A' + port);
  }
  RecorderPollHost host(setup, result.ports);

  const std::size_t storeBytes = captureBufferBytes();
  const std::size_t lastMiB =
      storeBytes > kBytesPerMiB ? storeBytes - kBytesPerMiB : storeBytes / 2;
  // A threshold the store cannot reach before it refuses reads would stop
  // the capture without a word; the options refuse one, and it is capped
  // here for a store that came out smaller than asked.
  const std::uint64_t recycleAt =
      std::min<std::uint64_t>(options.recycleAtBytes.value_or(lastMiB),
                              storeBytes - std::min<std::size_t>(storeBytes, kOneReadStoreBytes));

  // The window's rule: a polling time that is too short or no number polls at 10 ms.
  const auto period = std::chrono::milliseconds(pollPeriodMs(s.pollTimeMs));
  const Clock::time_point start = Clock::now();
  Clock::time_point deadline = start;
  const std::uint8_t* writtenUpTo = s.bufferStart;

  auto fail = [&](SessionEnd end, const std::string& what) {
    std::fprintf(messages,
                 "korvane-record: %s: %s; the file ends on its last whole record at byte %llu\n",
                 options.file.c_str(), what.c_str(), static_cast<unsigned long long>(file.bytes()));
    result.end = end;
  };

  auto failPcap = [&](const std::string& what) {
    std::fprintf(messages,
                 "korvane-record: %s: %s; the file ends on its last whole packet at byte %llu\n",
                 pcap.file().path().c_str(), what.c_str(),
                 static_cast<unsigned long long>(pcap.file().bytes()));
    result.end = SessionEnd::WriteFailed;
  };

  for (;;) {
    const Clock::time_point now = Clock::now();
    const bool timeUp =
        options.seconds && std::chrono::duration<double>(now - start).count() >= *options.seconds;
    const bool last = platform::process::stopRequested() || timeUp;
    const Clock::time_point tickStart = Clock::now();

    pollConnectedPorts(host);
    ++result.ticks;
    if (host.refused()) {
      fail(SessionEnd::StoreRefused, "the capture store refused records");
      break;
    }

    // The tick's records, cut to whole records within the size limit.
    std::size_t newBytes = static_cast<std::size_t>(s.writePos - writtenUpTo);
    const std::uint64_t room =
        options.maxBytes ? (*options.maxBytes > file.bytes() ? *options.maxBytes - file.bytes() : 0)
                         : UINT64_MAX;
    std::uint64_t records = 0;
    const std::size_t fitting = wholeRecordsWithin(writtenUpTo, newBytes, room, &records);
    const bool limitReached = fitting < newBytes;
    newBytes = fitting;
    // The poll's time is the clock reading taken just before its reads.
    if (const std::string error = pcap.afterPoll(now, writtenUpTo, newBytes); !error.empty()) {
      failPcap(error);
      break;
    }
    if (newBytes > 0) {
      if (const std::string error = file.isOpen() ? file.write(writtenUpTo, newBytes) : "";
          !error.empty()) {
        fail(SessionEnd::WriteFailed, "writing failed: " + error);
        break;
      }
      result.recordsWritten += records;
      writtenUpTo += newBytes;
    }

    if (storeUsedBytes() >= recycleAt || s.recordCount >= kRecycleAtSlots) {
      recycleCaptureStore();
      writtenUpTo = s.bufferStart;
      ++result.recycles;
    }

    const bool ending = last || limitReached;
    if (const std::string error = file.syncIfDue(Clock::now(), ending); !error.empty()) {
      fail(SessionEnd::WriteFailed, "flushing to disk failed: " + error);
      break;
    }
    if (const std::string error = pcap.syncIfDue(Clock::now(), ending); !error.empty()) {
      failPcap("flushing to disk failed: " + error);
      break;
    }
    // The last tick waits for its flush on purpose; no read comes after it.
    if (!ending) {
      result.longestTickMs =
          std::max(result.longestTickMs,
                   std::chrono::duration<double, std::milli>(Clock::now() - tickStart).count());
    }
    if (ending) {
      result.end = limitReached ? SessionEnd::MaxBytes
                   : timeUp     ? SessionEnd::Seconds
                                : SessionEnd::Signal;
      break;
    }

    deadline += period;
    const Clock::time_point after = Clock::now();
    // After a stall (a suspended machine) the ticks go on from now rather
    // than running the missed ones back to back.
    if (after > deadline + period) deadline = after;
    if (options.seconds) {
      const Clock::time_point end = start + std::chrono::duration_cast<Clock::duration>(
                                                std::chrono::duration<double>(*options.seconds));
      if (end < deadline) deadline = end;
    }
    // A stop request ends the sleep early, so it is served at once.
    platform::process::sleepUntil(deadline);
  }

  // The frames still open end with the capture, on every way out.
  if (const std::string error = pcap.finish(); !error.empty() && endedAsAsked(result.end)) {
    failPcap("writing failed: " + error);
  }

  // Taken while the ports are still open: the line errors are the driver's.
  for (int port = 0; port < result.portsInUse; ++port) {
    if (auto statistics = openPortStatistics(port)) {
      result.ports[static_cast<std::size_t>(port)].statistics = std::move(*statistics);
    }
  }
  result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return result;
}

}  // namespace recorder
