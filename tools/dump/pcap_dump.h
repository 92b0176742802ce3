// korvane-dump --format pcap: capture files into one pcap file of the
// serial-line link type, as korvane-record --pcap writes it, with the times
// taken from the labels (label_time.h). Each port's records of one poll
// become one packet, joined further into frames when asked. A file that is
// not a capture file stops the export with its offset, and the pcap file
// is removed unless the user asked to keep what was converted.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "tools/dump/capture_record_reader.h"
#include "tools/dump/dump_options.h"
#include "tools/dump/label_time.h"
#include "tools/pcap/frame_joiner.h"
#include "tools/pcap/pcap_file_writer.h"

namespace capture_text {

// Turns records, in file order, into packets.
class PollPacketizer {
 public:
  PollPacketizer(LabelClock clock, pcap_export::FrameJoiner& joiner)
      : clock_(clock), joiner_(joiner) {}

  // false when the record's label holds no poll number.
  bool add(const RecordView& record);
  // Hands the last poll's packets on (the end of a file).
  void flush();

 private:
  void endGroup();

  LabelClock clock_;
  pcap_export::FrameJoiner& joiner_;
  std::optional<std::int64_t> poll_;  // of the group being gathered
  int portTag_ = 0;
  std::vector<std::uint8_t> bytes_;
};

// Writes options.output from options.files; messages go to errors. Returns
// the exit status.
int runPcapDump(const DumpOptions& options, int outFd, std::FILE* errors);

}  // namespace capture_text
