// Moving a full 32 MiB capture between disk and the store: Read file's open,
// read and rebuild, and Save File's append.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "capture/capture_files.h"
#include "capture/capture_store.h"
#include "capture/monitor_state.h"

namespace {

constexpr int kBufferMB = 32;

// A folder of its own holding a 32 MiB capture file of records of 16 bytes,
// as several saved captures make one: more records than the index holds, so
// a read fills the whole buffer and the rebuild fills every slot.
class CaptureFileOnDisk {
 public:
  CaptureFileOnDisk() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "korvane-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) folder_ = pattern;
    path_ = folder_ + "/full.kvn";
    std::vector<std::uint8_t> content(static_cast<std::size_t>(kBufferMB) * kBytesPerMiB);
    constexpr std::size_t kRecordBytes = CaptureRecord::kHeaderSize + CaptureRecord::kMaxDataBytes;
    for (std::size_t at = 0; at < content.size(); ++at) {
      const std::size_t offset = at % kRecordBytes;
      content[at] = offset == 0   ? std::uint8_t{16}
                    : offset == 1 ? static_cast<std::uint8_t>(1 + (at / kRecordBytes) % 2)
                    : offset < 10 ? static_cast<std::uint8_t>("000001: "[offset - 2])
                                  : static_cast<std::uint8_t>(at);
    }
    if (std::FILE* file = std::fopen(path_.c_str(), "wb")) {
      std::fwrite(content.data(), 1, content.size(), file);
      std::fclose(file);
    }
    monitorState.memSizeMB = kBufferMB;
    monitorState.memSizeMBLoaded = kBufferMB;
    allocateCaptureStore();
  }
  ~CaptureFileOnDisk() {
    std::error_code error;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, error);
    resetProcessState();
  }
  const std::string& path() const { return path_; }
  std::string scratch() const { return folder_ + "/saved.kvn"; }

 private:
  std::string folder_;
  std::string path_;
};

void BM_ReadCaptureFile(benchmark::State& state) {
  CaptureFileOnDisk disk;
  const auto fileBytes = static_cast<std::int64_t>(std::filesystem::file_size(disk.path()));
  for (auto _ : state) {
    CaptureFileHandle file = openCaptureFile(disk.path());
    const bool complete = file && fillStoreFromCaptureFile(file.get());
    benchmark::DoNotOptimize(complete);
  }
  state.SetBytesProcessed(state.iterations() * fileBytes);
  state.counters["records"] = static_cast<double>(monitorState.recordCount);
}

void BM_SaveCapture(benchmark::State& state) {
  CaptureFileOnDisk disk;
  CaptureFileHandle file = openCaptureFile(disk.path());
  fillStoreFromCaptureFile(file.get());
  file.reset();
  const std::string target = disk.scratch();
  const auto storeBytes =
      static_cast<std::int64_t>(monitorState.writePos - monitorState.bufferStart);
  for (auto _ : state) {
    state.PauseTiming();
    std::remove(target.c_str());
    state.ResumeTiming();
    benchmark::DoNotOptimize(saveCaptureToFile(target).result);
  }
  state.SetBytesProcessed(state.iterations() * storeBytes);
}

BENCHMARK(BM_ReadCaptureFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveCapture)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
