// One recording: the monitor's poll cycle on the recorder's own clock, the
// records of every tick appended to the capture file, and the store
// recycled before it fills, so a capture can run for as long as the disk
// lasts. The ports are open and the store allocated when it starts; a stop
// request (platform/process/stop_request.h) ends it after one last tick.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "tools/record/capture_file_writer.h"
#include "tools/record/pcap_recording.h"
#include "tools/record/port_tally.h"
#include "tools/record/record_options.h"

class CSetupDlg;

namespace recorder {

enum class SessionEnd { Signal, Seconds, MaxBytes, WriteFailed, StoreRefused };

struct SessionResult {
  SessionEnd end = SessionEnd::Signal;
  std::uint64_t recordsWritten = 0;
  std::uint64_t ticks = 0;
  std::uint64_t recycles = 0;
  double seconds = 0;
  // The longest tick's work (reading the ports, writing, flushing), which
  // must stay well below what the driver's queue holds at the line's rate.
  double longestTickMs = 0;
  std::array<PortTally, 2> ports;
  int portsInUse = 2;
};

// The capture file may be left unopened (a recording to the pcap file
// alone); pcap gets every poll's records and its clock reading.
SessionResult runSession(const RecordOptions& options, CSetupDlg& setup, CaptureFileWriter& file,
                         PcapRecording& pcap, std::FILE* messages);

// Whether the session ended as the user asked.
bool endedAsAsked(SessionEnd end);
const char* endName(SessionEnd end);

}  // namespace recorder
