#include "capture/poll_cycle.h"

#include <array>

#include "capture/capture_store.h"
#include "capture/monitor_state.h"

namespace {

constexpr int kPageRows = 22;

bool storeIsFull(const MonitorState& s) {
  return s.recordCount >= kRecordIndexSlots || s.storeOverflowed != 0;
}

// Reads the port again for as long as each read fills the whole buffer, so a
// tick takes everything the port has queued; stops early once the store ran
// full, leaving the rest in the port's queue.
void drainPort(PollCycleHost& host, int port, std::array<std::uint8_t, kMaxChunkBytes>& buffer) {
  for (;;) {
    int n = host.readPort(port, buffer.data());
    if (n > kMaxChunkBytes) n = kMaxChunkBytes;  // never read past our buffer
    if (n > 0) appendChunk(port, buffer.data(), n);
    if (n != kMaxChunkBytes || monitorState.storeOverflowed != 0) return;
  }
}

}  // namespace

void pollConnectedPorts(PollCycleHost& host) {
  MonitorState& s = monitorState;
  if (s.connected == 0) return;
  if (storeIsFull(s)) {
    host.stopOnFullStore();
    return;
  }

  // Counted modulo 2^32, as a 32-bit counter wraps after 2^31 ticks.
  s.pollSeq = static_cast<std::int32_t>(static_cast<std::uint32_t>(s.pollSeq) + 1u);
  const int ports = s.portBDisabled != 0 ? 1 : 2;
  std::array<std::uint8_t, kMaxChunkBytes> buffer;
  for (int port = 0; port < ports && s.storeOverflowed == 0; ++port) {
    drainPort(host, port, buffer);
  }

  if (s.newData == 1) {
    s.caretCol = s.lastChunkLen;
    s.caretRow = s.recordCount - 1;
    if (s.topRow + kPageRows < s.recordCount) s.topRow = s.recordCount - kPageRows;
    host.redrawCapture();
    s.newData = 0;
  }

  // What arrived before the store ran full is on screen; the rest is refused.
  if (s.storeOverflowed != 0) host.stopOnFullStore();
}
