// The longest polling tick while a vanished port is opened again and the
// open blocks (as a Bluetooth port's CreateFile can for seconds): the line
// helper hangs the line up and brings it back, and every reopen is held for
// the given time before it opens. Run through bench/windows/reopen_tick.sh.
//   reopen_tick.exe [OPEN_DELAY_MS] [SECONDS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "platform/win32/serial_device.h"
#include "tests/win32/line_control.h"

int main(int argc, char** argv) {
  using Clock = std::chrono::steady_clock;
  using namespace std::chrono_literals;
  const auto openDelay = std::chrono::milliseconds(argc > 1 ? std::atoi(argv[1]) : 2000);
  const auto runFor = std::chrono::seconds(argc > 2 ? std::atoi(argv[2]) : 6);
  LineControl line;
  if (!line.available()) {
    std::fprintf(stderr, "needs the line helper: run through with_pty_line.sh\n");
    return 2;
  }
  platform::win32::SerialDevices devices(
      {.beforeReopen = [openDelay] { std::this_thread::sleep_for(openDelay); }});
  const platform::CommHandle port = devices.open("COM5");
  if (port == platform::kInvalidCommHandle) {
    std::fprintf(stderr, "%s\n", devices.lastFailureReason().c_str());
    return 1;
  }
  devices.setQueues(port, 1024, 1024);
  devices.setReadsReturnAtOnce(port);
  auto state = devices.lineState(port).value_or(platform::LineState{});
  state.baudRate = 115200;
  devices.setLineState(port, state);

  // The line goes away after a second and is back half a second later.
  std::thread helper([&line] {
    std::this_thread::sleep_for(1s);
    line.request("hangup");
    std::this_thread::sleep_for(500ms);
    line.request("restore");
  });
  Clock::duration longest{};
  long ticks = 0, away = 0;
  Clock::time_point lost{}, back{};
  const auto start = Clock::now();
  for (auto next = start; next - start < runFor; next += 10ms) {
    std::this_thread::sleep_until(next);
    const auto tickStart = Clock::now();
    std::uint8_t buffer[256];
    devices.read(port, buffer, 256);
    const bool present = devices.devicePresent(port);
    const auto tickEnd = Clock::now();
    longest = std::max(longest, tickEnd - tickStart);
    ++ticks;
    if (!present) {
      ++away;
      if (lost == Clock::time_point{}) lost = tickEnd;
    } else if (lost != Clock::time_point{} && back == Clock::time_point{}) {
      back = tickEnd;
    }
    if (next < Clock::now() - 1s) next = Clock::now();  // a stalled tick is not made up for
  }
  helper.join();
  const auto ms = [](Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
  };
  std::printf("open delay %lld ms: %ld ticks, longest tick %.1f ms, device away for %ld ticks%s",
              static_cast<long long>(openDelay.count()), ticks, ms(longest), away,
              back != Clock::time_point{} ? "" : ", never back\n");
  if (back != Clock::time_point{}) std::printf(", back %.0f ms after loss\n", ms(back - lost));
  devices.close(port);
  return 0;
}
