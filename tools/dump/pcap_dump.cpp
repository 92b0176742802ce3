#include "tools/dump/pcap_dump.h"

#include <cerrno>
#include <cstring>

#include "platform/process/raw_file.h"
#include "tools/dump/byte_source.h"
#include "tools/dump/dump_run.h"

namespace capture_text {

namespace {

namespace pe = pcap_export;
constexpr const char* kProgram = "korvane-dump";

std::array<std::int64_t, 2> gapsOf(const DumpOptions& options) {
  if (!options.joinGap) return {0, 0};
  const std::int64_t gap = options.joinGap->micros(options.joinBaud.value_or(0));
  return {gap, gap};
}

}  // namespace

bool PollPacketizer::add(const RecordView& record) {
  const auto poll = pollOfLabel(record.label);
  if (!poll) return false;
  if (poll_ && *poll == *poll_ && record.portTag == portTag_) {
    bytes_.insert(bytes_.end(), record.data, record.data + record.length);
    return true;
  }
  endGroup();
  if (poll_ && *poll != *poll_) {
    joiner_.pollDone(clock_.timeOfPoll(*poll_));
    if (*poll < *poll_) {
      // Labels counting again from the start: another capture, whose frames
      // have nothing to do with the last one's.
      joiner_.finish();
    } else if (*poll > *poll_ + 1) {
      // The polls in between brought nothing.
      joiner_.pollDone(clock_.timeOfPoll(*poll - 1));
    }
  }
  poll_ = *poll;
  portTag_ = record.portTag;
  bytes_.assign(record.data, record.data + record.length);
  return true;
}

void PollPacketizer::endGroup() {
  if (!poll_ || bytes_.empty()) return;
  joiner_.addData(portTag_, clock_.timeOfPoll(*poll_), clock_.timeOfPoll(*poll_ - 1), bytes_);
  bytes_.clear();
}

void PollPacketizer::flush() {
  endGroup();
  if (poll_) joiner_.pollDone(clock_.timeOfPoll(*poll_));
}

int runPcapDump(const DumpOptions& options, int outFd, std::FILE* errors) {
  std::vector<std::string> files = options.files;
  if (files.empty()) files.emplace_back("-");

  pe::PcapFileWriter pcap;
  const bool toStandardOutput = options.output == "-";
  std::string reason =
      toStandardOutput ? std::string{} : pe::PcapFileWriter::checkUsable(options.output);
  if (reason.empty()) reason = toStandardOutput ? pcap.attach(outFd) : pcap.create(options.output);
  if (!reason.empty()) {
    std::fprintf(errors, "%s: cannot create %s: %s\n", kProgram, options.output.c_str(),
                 reason.c_str());
    pcap.discard();
    return kDumpIoFailed;
  }

  pe::FrameJoiner joiner(gapsOf(options));
  const LabelClock clock{options.startMicros, *options.pollMs * 1000};
  int status = kDumpOk;
  std::string writeError;
  auto writeReady = [&] {
    if (writeError.empty()) writeError = pcap.write(joiner.ready());
    joiner.ready().clear();
  };

  for (const std::string& file : files) {
    const bool standardInput = file == "-";
    const std::string name = standardInput ? "standard input" : file;
    const int fd =
        standardInput ? platform::process::kStandardInput : platform::process::openForReading(file);
    if (fd < 0) {
      std::fprintf(errors, "%s: cannot open %s: %s\n", kProgram, name.c_str(),
                   std::strerror(errno));
      status = kDumpIoFailed;
      break;
    }
    FdByteSource source(fd);
    CaptureRecordReader reader(source);
    PollPacketizer packets(clock, joiner);
    RecordView record;
    ReadStep step;
    while (writeError.empty() && (step = reader.next(record)) == ReadStep::Record) {
      if (options.portTag != 0 && record.portTag != options.portTag) continue;
      if (!packets.add(record)) {
        std::fprintf(errors,
                     "%s: %s: no time for the record at byte offset %llu: its label holds no "
                     "poll number\n",
                     kProgram, name.c_str(), static_cast<unsigned long long>(record.offset));
        step = ReadStep::Malformed;
        status = kDumpNotACapture;
        break;
      }
      writeReady();
    }
    packets.flush();
    if (!standardInput) platform::process::closeFile(fd);
    if (!writeError.empty() || status != kDumpOk) break;
    if (step == ReadStep::ReadFailed) {
      std::fprintf(errors, "%s: %s: read failed at byte offset %llu: %s\n", kProgram, name.c_str(),
                   static_cast<unsigned long long>(reader.stopOffset()),
                   reader.stopReason().c_str());
      status = kDumpIoFailed;
      break;
    }
    if (step == ReadStep::Malformed) {
      std::fprintf(errors, "%s: %s: not a capture file at byte offset %llu: %s\n", kProgram,
                   name.c_str(), static_cast<unsigned long long>(reader.stopOffset()),
                   reader.stopReason().c_str());
      status = kDumpNotACapture;
      break;
    }
  }
  joiner.finish();
  writeReady();
  if (writeError.empty()) writeError = pcap.close();
  if (!writeError.empty()) {
    std::fprintf(errors, "%s: cannot write %s: %s\n", kProgram, options.output.c_str(),
                 writeError.c_str());
    status = kDumpIoFailed;
  }
  if (status != kDumpOk) {
    if (options.keepPartial) {
      std::fprintf(errors, "%s: %s keeps the %llu packets converted before the fault\n", kProgram,
                   options.output.c_str(), static_cast<unsigned long long>(pcap.packets()));
    } else {
      pcap.discard();
    }
  }
  return status;
}

}  // namespace capture_text
