#include "tools/dump/dump_run.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "capture/utc_time_text.h"
#include "platform/process/raw_file.h"
#include "tools/dump/byte_source.h"
#include "tools/dump/capture_record_reader.h"
#include "tools/dump/label_time.h"
#include "tools/dump/output_buffer.h"
#include "tools/dump/pcap_dump.h"

namespace capture_text {

namespace {

constexpr const char* kProgram = "korvane-dump";

// Dumps one open file; the exit status it earns.
int dumpOne(const DumpOptions& options, int fd, const std::string& name, OutputBuffer& out,
            std::FILE* errors) {
  FdByteSource source(fd);
  CaptureRecordReader reader(source);
  RecordView record;
  ReadStep step;
  while ((step = reader.next(record)) == ReadStep::Record) {
    if (options.portTag != 0 && record.portTag != options.portTag) continue;
    if (options.timeColumn) {
      const auto poll = pollOfLabel(record.label);
      if (!poll) {
        out.flush();
        std::fprintf(errors,
                     "%s: %s: no time for the record at byte offset %llu: its label holds no "
                     "poll number\n",
                     kProgram, name.c_str(), static_cast<unsigned long long>(record.offset));
        return kDumpNotACapture;
      }
      const LabelClock clock{options.startMicros, *options.pollMs * 1000};
      writeRecord(options.format, record, out, utcTimeText(clock.timeOfPoll(*poll)));
    } else {
      writeRecord(options.format, record, out);
    }
    if (out.failed()) return kDumpIoFailed;
  }
  if (step == ReadStep::End) return kDumpOk;
  // What came before the fault is out before the message about it.
  out.flush();
  if (step == ReadStep::ReadFailed) {
    std::fprintf(errors, "%s: %s: read failed at byte offset %llu: %s\n", kProgram, name.c_str(),
                 static_cast<unsigned long long>(reader.stopOffset()), reader.stopReason().c_str());
    return kDumpIoFailed;
  }
  std::fprintf(errors, "%s: %s: not a capture file at byte offset %llu: %s\n", kProgram,
               name.c_str(), static_cast<unsigned long long>(reader.stopOffset()),
               reader.stopReason().c_str());
  return kDumpNotACapture;
}

}  // namespace

int runDump(const DumpOptions& options, int outFd, std::FILE* errors) {
  if (options.format == RecordFormat::Pcap) return runPcapDump(options, outFd, errors);
  std::vector<std::string> files = options.files;
  if (files.empty()) files.emplace_back("-");

  OutputBuffer out(outFd);
  out.append(formatHeader(options.format, options.timeColumn));
  int status = kDumpOk;
  for (const std::string& file : files) {
    const bool standardInput = file == "-";
    const std::string name = standardInput ? "standard input" : file;
    if (files.size() > 1 && options.format == RecordFormat::Text) {
      out.append("==> " + name + " <==\n");
    }
    const int fd =
        standardInput ? platform::process::kStandardInput : platform::process::openForReading(file);
    if (fd < 0) {
      out.flush();
      std::fprintf(errors, "%s: cannot open %s: %s\n", kProgram, name.c_str(),
                   std::strerror(errno));
      if (status == kDumpOk) status = kDumpIoFailed;
      continue;
    }
    const int fileStatus = dumpOne(options, fd, name, out, errors);
    if (!standardInput) platform::process::closeFile(fd);
    // A fault in the file outranks one in reading it: both stop that file.
    if (fileStatus == kDumpNotACapture || status == kDumpOk) {
      status = fileStatus == kDumpOk ? status : fileStatus;
    }
    if (out.failed()) break;
  }
  if (!out.flush() || out.failed()) {
    std::fprintf(errors, "%s: cannot write the output: %s\n", kProgram,
                 std::strerror(out.writeError()));
    return kDumpIoFailed;
  }
  return status;
}

}  // namespace capture_text
