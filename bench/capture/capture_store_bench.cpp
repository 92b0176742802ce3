// Throughput of the capture store: appending what the ports deliver, and
// rebuilding the index over a full buffer.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>

#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "platform/headless/headless_window_system.h"

namespace {

void freshStore(int sizeMB) {
  headless::system();  // a window system for the store's messages
  monitorState.memSizeMB = sizeMB;
  monitorState.memSizeMBLoaded = sizeMB;
  allocateCaptureStore();
}

// 256-byte chunks, as one full read of a port hands them over.
void BM_AppendChunk256(benchmark::State& state) {
  resetProcessState();
  freshStore(32);
  std::array<std::uint8_t, 256> chunk{};
  for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<std::uint8_t>(i);
  for (auto _ : state) {
    appendChunk(0, chunk.data(), 256);
    if (monitorState.recordCount > kRecordIndexSlots - 16) {
      state.PauseTiming();
      allocateCaptureStore();
      state.ResumeTiming();
    }
    ++monitorState.pollSeq;
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 256);
  resetProcessState();
}
BENCHMARK(BM_AppendChunk256);

// A 32 MiB buffer filled with 16-byte records: the walk fills every slot.
void BM_RebuildFull32MiB(benchmark::State& state) {
  resetProcessState();
  freshStore(32);
  const std::size_t records = captureBufferBytes() / 26;
  for (std::size_t i = 0; i < records; ++i) {
    std::uint8_t* record = monitorState.bufferStart + i * 26;
    record[0] = 16;
    record[1] = 1;
  }
  for (auto _ : state) {
    rebuildRecordIndex();
    benchmark::DoNotOptimize(monitorState.recordCount);
  }
  state.counters["records"] = monitorState.recordCount;
  resetProcessState();
}
BENCHMARK(BM_RebuildFull32MiB)->Unit(benchmark::kMillisecond);

// What Connect pays for an empty store of the largest size: a zeroed 32 MiB
// block and a cleared index.
void BM_AllocateStore32MiB(benchmark::State& state) {
  resetProcessState();
  freshStore(32);
  for (auto _ : state) {
    allocateCaptureStore();
    benchmark::DoNotOptimize(monitorState.bufferStart);
  }
  resetProcessState();
}
BENCHMARK(BM_AllocateStore32MiB)->Unit(benchmark::kMillisecond);

// What the recorder pays, in one tick, to recycle its store at the point it
// does (7/8 of the index): the used bytes and slots cleared.
void BM_RecycleAtSevenEighths(benchmark::State& state) {
  resetProcessState();
  freshStore(32);
  std::array<std::uint8_t, 256> chunk{};
  for (auto _ : state) {
    state.PauseTiming();
    while (monitorState.recordCount < kRecordIndexSlots - kRecordIndexSlots / 8) {
      appendChunk(0, chunk.data(), 256);
    }
    state.ResumeTiming();
    recycleCaptureStore();
    benchmark::DoNotOptimize(monitorState.writePos);
  }
  resetProcessState();
}
BENCHMARK(BM_RecycleAtSevenEighths)->Unit(benchmark::kMillisecond);

}  // namespace
