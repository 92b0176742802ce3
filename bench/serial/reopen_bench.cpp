// What the tick that finds a vanished device again costs: the read that
// resolves the name, opens the device without blocking, checks for other
// holders in /proc, locks it and sets it up as before, on a pseudo-terminal
// behind a link in the ports folder. Each round the line hangs up and a new
// pseudo-terminal takes the link over.
#include <benchmark/benchmark.h>
#include <pty.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/posix/serial_device.h"

namespace {

namespace fs = std::filesystem;

struct Line {
  int master = -1;
  std::string slave;
  Line() {
    char path[128] = {};
    int port = -1;
    if (openpty(&master, &port, path, nullptr, nullptr) != 0) return;
    close(port);
    slave = path;
  }
  ~Line() { hangUp(); }
  void hangUp() {
    if (master >= 0) close(master);
    master = -1;
  }
};

void BM_ReadThatReopensAVanishedDevice(benchmark::State& state) {
  char folderPattern[] = "/tmp/reopen-bench-XXXXXX";
  if (mkdtemp(folderPattern) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const fs::path folder = folderPattern;
  const fs::path link = folder / "LAB1";
  auto now = std::chrono::steady_clock::now();
  platform::posix::SerialDevices devices(folder.string(), [&now] { return now; });
  auto line = std::make_unique<Line>();
  fs::create_symlink(line->slave, link);
  const platform::CommHandle port = devices.open("LAB1");
  platform::LineState lineState = devices.lineState(port).value_or(platform::LineState{});
  lineState.baudRate = 115200;
  if (port == platform::kInvalidCommHandle || !devices.setReadsReturnAtOnce(port) ||
      !devices.setLineState(port, lineState)) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  std::uint8_t buffer[256];
  for (auto _ : state) {
    state.PauseTiming();
    line->hangUp();
    devices.read(port, buffer, 256);  // the hang-up: the device is lost
    auto next = std::make_unique<Line>();
    fs::remove(link);
    fs::create_symlink(next->slave, link);
    line = std::move(next);
    now += platform::posix::SerialDevices::kReopenInterval;
    state.ResumeTiming();
    benchmark::DoNotOptimize(devices.read(port, buffer, 256));
    state.PauseTiming();
    if (!devices.devicePresent(port)) state.SkipWithError("not reopened");
    state.ResumeTiming();
  }
  devices.close(port);
  fs::remove_all(folder);
}
BENCHMARK(BM_ReadThatReopensAVanishedDevice)->Unit(benchmark::kMicrosecond);

}  // namespace
