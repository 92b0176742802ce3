// The dump's throughput: a capture file in memory through the record reader
// and one output format, written to /dev/null, so the figure is the reader
// and the formatting plus the write calls, without the disk.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <random>
#include <vector>

#include "tools/dump/byte_source.h"
#include "tools/dump/capture_record_reader.h"
#include "tools/dump/output_buffer.h"
#include "tools/dump/record_formats.h"

namespace {

using namespace capture_text;

// 64 MiB of records as the monitor writes them at full rate: mostly 16
// bytes, a short last record per read, both ports, labels counting.
const std::vector<std::uint8_t>& captureFile() {
  static const std::vector<std::uint8_t> file = [] {
    std::vector<std::uint8_t> bytes;
    std::mt19937 random(1);
    int tick = 0;
    while (bytes.size() < (64u << 20)) {
      ++tick;
      for (int tag = 1; tag <= 2; ++tag) {
        const int chunk = 200 + static_cast<int>(random() % 57);
        for (int done = 0; done < chunk; done += 16) {
          const int length = chunk - done < 16 ? chunk - done : 16;
          char label[16];
          std::snprintf(label, sizeof label, "%06d: ", tick);
          bytes.push_back(static_cast<std::uint8_t>(length));
          bytes.push_back(static_cast<std::uint8_t>(tag));
          bytes.insert(bytes.end(), label, label + 8);
          for (int i = 0; i < length; ++i) bytes.push_back(static_cast<std::uint8_t>(random()));
        }
      }
    }
    return bytes;
  }();
  return file;
}

void dumpAs(benchmark::State& state, RecordFormat format, int portTag) {
  const auto& file = captureFile();
  const int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
  for (auto _ : state) {
    MemoryByteSource source(file);
    CaptureRecordReader reader(source);
    OutputBuffer out(devNull);
    RecordView record;
    while (reader.next(record) == ReadStep::Record) {
      if (portTag != 0 && record.portTag != portTag) continue;
      writeRecord(format, record, out);
    }
    out.flush();
  }
  close(devNull);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}

void BM_DumpText(benchmark::State& state) { dumpAs(state, RecordFormat::Text, 0); }
void BM_DumpCsv(benchmark::State& state) { dumpAs(state, RecordFormat::Csv, 0); }
void BM_DumpJsonl(benchmark::State& state) { dumpAs(state, RecordFormat::Jsonl, 0); }
void BM_DumpRawPortB(benchmark::State& state) { dumpAs(state, RecordFormat::Raw, 2); }

BENCHMARK(BM_DumpText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DumpCsv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DumpJsonl)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DumpRawPortB)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
