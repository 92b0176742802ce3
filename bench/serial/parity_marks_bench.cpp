// What input checking with parity marks costs: bytes pushed through a
// pseudo-terminal and read back in 256-byte reads, with the monitor's raw
// mode as it was (the line discipline's fast path) and with INPCK and PARMRK
// on (its slow path, which looks at every byte and doubles each 0xFF) plus
// the backend taking the marks out. The wait for the bytes to arrive is
// counted, so the kernel's share of the work is in the wall time.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstdint>
#include <vector>

#include "platform/posix/parity_marks.h"
#include "platform/posix/termios_line.h"

namespace {

struct PtyPair {
  int master = -1;
  int slave = -1;
  explicit PtyPair(bool marked) {
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return;
    termios tio{};
    tcgetattr(slave, &tio);
    platform::posix::makeRawForMonitor(tio);
    if (!marked) tio.c_iflag = 0;
    tcsetattr(slave, TCSANOW, &tio);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    fcntl(slave, F_SETFL, fcntl(slave, F_GETFL) | O_NONBLOCK);
  }
  ~PtyPair() {
    if (slave >= 0) close(slave);
    if (master >= 0) close(master);
  }
};

// 64 KiB of a counter: one byte in 256 is 0xFF.
std::vector<std::uint8_t> counterBytes() {
  std::vector<std::uint8_t> bytes(64 * 1024);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i);
  return bytes;
}

void BM_PtyThroughput(benchmark::State& state) {
  const bool marked = state.range(0) != 0;
  PtyPair pty(marked);
  if (pty.master < 0) {
    state.SkipWithError("no pseudo-terminal");
    return;
  }
  const std::vector<std::uint8_t> sent = counterBytes();
  platform::posix::ParityMarkStripper stripper;
  std::uint8_t buffer[256];
  for (auto _ : state) {
    std::size_t written = 0;
    std::size_t received = 0;
    while (received < sent.size()) {
      if (written < sent.size()) {
        const ssize_t n = write(pty.master, sent.data() + written, sent.size() - written);
        if (n > 0) written += static_cast<std::size_t>(n);
      }
      const ssize_t got = read(pty.slave, buffer, sizeof buffer);
      if (got > 0) {
        received += marked ? stripper.strip(buffer, static_cast<std::size_t>(got), buffer)
                           : static_cast<std::size_t>(got);
      } else {
        pollfd wait{pty.slave, POLLIN, 0};
        poll(&wait, 1, 10);
      }
    }
    benchmark::DoNotOptimize(buffer);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(sent.size()));
}
BENCHMARK(BM_PtyThroughput)->ArgName("marked")->Arg(0)->Arg(1)->UseRealTime();

// The backend's own share: taking the marks out of one full read.
void BM_StripOneRead(benchmark::State& state) {
  std::vector<std::uint8_t> read(256);
  for (std::size_t i = 0; i < read.size(); ++i) read[i] = static_cast<std::uint8_t>(i * 7);
  platform::posix::ParityMarkStripper stripper;
  std::vector<std::uint8_t> out(256);
  for (auto _ : state) {
    benchmark::DoNotOptimize(stripper.strip(read.data(), read.size(), out.data()));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 256);
}
BENCHMARK(BM_StripOneRead);

}  // namespace
