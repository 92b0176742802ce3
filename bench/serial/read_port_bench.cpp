// How fast the poll cycle can drain a port: readPort in 256-byte reads from
// a pseudo-terminal whose other end has queued a burst, and the cost of a
// read that finds nothing (every idle port, every tick). Bursts stay below
// the 4 KB a terminal's read buffer holds; beyond it the tty layer hands the
// rest over asynchronously, and it arrives at the next tick.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "capture/monitor_state.h"
#include "platform/comm/comm_backend.h"
#include "platform/posix/serial_device.h"
#include "serial/line_settings.h"
#include "setup/setup_dlg.h"

namespace {

// 115200 baud, 8 data bits, 1 stop bit, no parity.
constexpr LineSettingsWord kLine = 12 | (3 << 4);

struct PtyPort {
  int master = -1;
  std::string name;  // "pts/N"
  PtyPort() {
    char path[128] = {};
    int slave = -1;
    if (openpty(&master, &slave, path, nullptr, nullptr) != 0) return;
    close(slave);
    name = std::string(path).substr(5);
  }
  ~PtyPort() {
    if (master >= 0) close(master);
  }
};

// Port A of the monitor opened on a fresh pseudo-terminal through the termios
// devices, as Connect opens it; closed again at the end.
struct OpenedPortA {
  PtyPort pty;
  platform::posix::SerialDevices devices{"/nonexistent"};
  CSetupDlg dlg;
  bool opened = false;
  OpenedPortA() {
    platform::installCommBackend(&devices);
    dlg.m_settings.port1 = pty.name;
    opened = pty.master >= 0 && dlg.openPort(0, kLine) == 0;
  }
  ~OpenedPortA() {
    if (opened) dlg.closePort(0);
    platform::installCommBackend(nullptr);
  }
};

bool waitQueued(int fd, int count) {
  for (int attempt = 0; attempt < 1000; ++attempt) {
    int queued = 0;
    if (ioctl(fd, FIONREAD, &queued) == 0 && queued >= count) return true;
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  return false;
}

void BM_ReadPortDrainsABurst(benchmark::State& state) {
  const int burstBytes = static_cast<int>(state.range(0));
  OpenedPortA port;
  if (!port.opened) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  const std::vector<std::uint8_t> burst(static_cast<std::size_t>(burstBytes), 0x55);
  std::uint8_t buffer[256];
  std::int64_t bytesRead = 0;
  std::int64_t reads = 0;
  for (auto _ : state) {
    state.PauseTiming();
    if (write(port.pty.master, burst.data(), burst.size()) != burstBytes ||
        !waitQueued(static_cast<int>(monitorState.portHandle[0]), burstBytes)) {
      state.SkipWithError("the burst did not arrive");
      break;
    }
    state.ResumeTiming();
    // As the poll cycle does: read again while a read comes back full.
    int count = 0;
    do {
      count = port.dlg.readPort(0, buffer);
      ++reads;
      if (count > 0) bytesRead += count;
    } while (count == 256);
  }
  state.SetBytesProcessed(bytesRead);
  state.counters["reads"] =
      benchmark::Counter(static_cast<double>(reads), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadPortDrainsABurst)->Arg(256)->Arg(1024)->Arg(4000);

void BM_ReadPortWithNothingQueued(benchmark::State& state) {
  OpenedPortA port;
  if (!port.opened) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  std::uint8_t buffer[256];
  for (auto _ : state) benchmark::DoNotOptimize(port.dlg.readPort(0, buffer));
}
BENCHMARK(BM_ReadPortWithNothingQueued);

}  // namespace
