// What a remote line costs the polling thread: the com-port client taking a
// stream apart (every byte value, so one byte in 256 comes doubled, and the
// worst case of nothing but 0xFF), and the backend's reads of a raw TCP
// line from a local peer: a burst drained 256 bytes at a time, as the poll
// cycle drains it, and a read that finds nothing (every idle tick).
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/network/com_port_client.h"
#include "platform/network/remote_lines.h"

namespace {

using platform::network::ComPortClient;
using platform::network::LineProtocol;

std::vector<std::uint8_t> escaped(const std::vector<std::uint8_t>& line) {
  std::vector<std::uint8_t> stream;
  for (const std::uint8_t byte : line) {
    stream.push_back(byte);
    if (byte == 0xFF) stream.push_back(0xFF);
  }
  return stream;
}

void receiveInChunks(benchmark::State& state, const std::vector<std::uint8_t>& line) {
  const std::vector<std::uint8_t> stream = escaped(line);
  ComPortClient client(LineProtocol::kComPort);
  client.start();
  std::vector<std::uint8_t> data;
  data.reserve(line.size());
  for (auto _ : state) {
    data.clear();
    for (std::size_t at = 0; at < stream.size(); at += 4096) {
      client.receive(std::span(stream).subspan(at, std::min<std::size_t>(4096, stream.size() - at)),
                     data);
    }
    benchmark::DoNotOptimize(data.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * line.size()));
}

void BM_ComPortReceiveEveryByteValue(benchmark::State& state) {
  std::vector<std::uint8_t> line(static_cast<std::size_t>(state.range(0)));
  for (std::size_t i = 0; i < line.size(); ++i) line[i] = static_cast<std::uint8_t>(i);
  receiveInChunks(state, line);
}
BENCHMARK(BM_ComPortReceiveEveryByteValue)->Arg(64 * 1024);

void BM_ComPortReceiveOnly0xFF(benchmark::State& state) {
  receiveInChunks(state, std::vector<std::uint8_t>(static_cast<std::size_t>(state.range(0)), 0xFF));
}
BENCHMARK(BM_ComPortReceiveOnly0xFF)->Arg(64 * 1024);

// A raw line from a peer on the loopback address, opened through the backend.
struct LocalRawLine {
  int listener = -1;
  int peer = -1;
  platform::network::RemoteLines lines;
  platform::CommHandle handle = platform::kInvalidCommHandle;
  LocalRawLine() {
    listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener, 1);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    handle = lines.open("tcp://127.0.0.1:" + std::to_string(ntohs(address.sin_port)));
    peer = accept(listener, nullptr, nullptr);
  }
  ~LocalRawLine() {
    if (handle != platform::kInvalidCommHandle) lines.close(handle);
    if (peer >= 0) close(peer);
    if (listener >= 0) close(listener);
  }
};

void BM_RemoteLineDrainsABurst(benchmark::State& state) {
  LocalRawLine line;
  if (line.handle == platform::kInvalidCommHandle || line.peer < 0) {
    state.SkipWithError("no loopback connection");
    return;
  }
  const std::vector<std::uint8_t> burst(static_cast<std::size_t>(state.range(0)), 0x55);
  std::uint8_t buffer[256];
  for (auto _ : state) {
    state.PauseTiming();
    if (write(line.peer, burst.data(), burst.size()) != static_cast<ssize_t>(burst.size())) {
      state.SkipWithError("the peer could not send");
      break;
    }
    state.ResumeTiming();
    std::size_t got = 0;
    while (got < burst.size()) {
      const int n = line.lines.read(line.handle, buffer, sizeof buffer);
      if (n > 0) got += static_cast<std::size_t>(n);
    }
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * burst.size()));
}
BENCHMARK(BM_RemoteLineDrainsABurst)->Arg(256)->Arg(4096)->Arg(65536);

void BM_RemoteLineReadWithNothingQueued(benchmark::State& state) {
  LocalRawLine line;
  std::uint8_t buffer[256];
  for (auto _ : state)
    benchmark::DoNotOptimize(line.lines.read(line.handle, buffer, sizeof buffer));
}
BENCHMARK(BM_RemoteLineReadWithNothingQueued);

}  // namespace
