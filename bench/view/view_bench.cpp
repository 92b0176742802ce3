// The view's per-tick costs on the headless window system: one page drawn,
// and one connected tick that drains both ports and redraws.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "platform/comm/comm_backend.h"
#include "platform/headless/fake_comm.h"
#include "platform/headless/headless_window_system.h"
#include "platform/headless/memory_registry.h"
#include "platform/registry/registry_backend.h"
#include "res/resource.h"
#include "view/korvane_view.h"

namespace {

struct HeadlessMonitor {
  headless::MemoryRegistry registry;
  headless::FakeComm comm;
  CKORVANEView view;

  HeadlessMonitor() {
    headless::system().reset();
    resetProcessState();
    platform::installRegistryBackend(&registry);
    platform::installCommBackend(&comm);
    comm.addDevice("COM3");
    comm.addDevice("COM4");
    view.CreateNative(platform::WindowKind::View, nullptr, {});
    view.OnInitialUpdate();
  }
  ~HeadlessMonitor() {
    view.DestroyWindow();
    platform::installRegistryBackend(nullptr);
    platform::installCommBackend(nullptr);
    resetProcessState();
  }
  HeadlessMonitor(const HeadlessMonitor&) = delete;
  HeadlessMonitor& operator=(const HeadlessMonitor&) = delete;

  void tick() { headless::system().fireTimer(view.m_hWnd, CKORVANEView::kPollTimerId); }
};

// A full page: 22 rows of 16 bytes, both ports, a new label every 4 rows.
void BM_DrawCaptureFullPage(benchmark::State& state) {
  HeadlessMonitor monitor;
  std::vector<std::uint8_t> bytes(16);
  for (int row = 0; row < 22; ++row) {
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(row + i);
    monitorState.pollSeq = row / 4 + 1;
    appendChunk(row % 2, bytes.data(), 16);
  }
  for (auto _ : state) {
    monitor.view.DrawCapture();
    headless::system().clearDrawing();
  }
}
BENCHMARK(BM_DrawCaptureFullPage);

// Connected, 256 bytes waiting on each port: the tick reads both, appends
// 32 records, moves the caret and redraws.
void BM_ConnectedTickTwoPorts256(benchmark::State& state) {
  HeadlessMonitor monitor;
  monitor.view.DispatchCommand(ID_CONNECT);
  monitor.tick();
  const std::vector<std::uint8_t> chunk(256, 0x5A);
  for (auto _ : state) {
    state.PauseTiming();
    monitor.comm.queueBytes("COM3", chunk);
    monitor.comm.queueBytes("COM4", chunk);
    headless::system().clearDrawing();
    if (monitorState.recordCount > 40000) {  // 2 MiB holds 80,659 full records
      monitor.view.DispatchCommand(ID_CONNECT);
      monitor.tick();
    }
    state.ResumeTiming();
    monitor.tick();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 512);
}
BENCHMARK(BM_ConnectedTickTwoPorts256);

}  // namespace
