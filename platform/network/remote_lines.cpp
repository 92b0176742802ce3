#include "platform/network/remote_lines.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/network/com_port_client.h"
#include "platform/network/connect_attempt.h"
#include "platform/network/remote_address.h"
#include "platform/network/tcp_socket.h"

namespace platform::network {
namespace {

using Clock = std::chrono::steady_clock;

// Each read of the connection takes at most this much; the poll cycle's
// reads of 256 bytes are served from it.
constexpr std::size_t kReceiveChunk = 4096;

std::string_view withoutDevicePrefix(std::string_view name) {
  if (name.starts_with("//./") || name.starts_with("\\\\.\\")) name.remove_prefix(4);
  return name;
}

std::optional<std::uint64_t> sum(const std::optional<std::uint64_t>& a,
                                 const std::optional<std::uint64_t>& b) {
  if (!a && !b) return std::nullopt;
  return a.value_or(0) + b.value_or(0);
}

LineErrorCounts sum(const LineErrorCounts& a, const LineErrorCounts& b) {
  return {sum(a.parity, b.parity),   sum(a.framing, b.framing),
          sum(a.overrun, b.overrun), sum(a.bufferOverrun, b.bufferOverrun),
          sum(a.breaks, b.breaks),   a.atLeast || b.atLeast};
}

}  // namespace

struct RemoteLines::Line {
  std::string url;
  RemoteAddress address;
  SocketHandle socket = kNoSocket;
  std::unique_ptr<ComPortClient> client;
  std::vector<std::uint8_t> received;  // line data not read yet, from receivedAt on
  std::size_t receivedAt = 0;
  std::vector<std::uint8_t> unsent;
  std::optional<LineState> lineState;  // as the system last set it
  bool present = true;
  std::unique_ptr<ConnectAttempt> attempt;
  Clock::time_point nextAttempt{};
  Clock::time_point answerDeadline{};
  LineErrorCounts earlier;  // of the connections before this one
  std::string failure;      // why the connection ended

  std::size_t queued() const { return received.size() - receivedAt; }

  void connected(SocketHandle newSocket) {
    socket = newSocket;
    client = std::make_unique<ComPortClient>(address.protocol);
    client->start();
    unsent.clear();
  }

  // Sends what the client has queued, as much as the connection takes now.
  bool flush() {
    std::vector<std::uint8_t> more = client->takeOutgoing();
    unsent.insert(unsent.end(), more.begin(), more.end());
    while (!unsent.empty()) {
      const long sent = sendNow(socket, unsent.data(), unsent.size(), failure);
      if (sent < 0) return false;
      if (sent == 0) break;
      unsent.erase(unsent.begin(), unsent.begin() + sent);
    }
    return true;
  }

  // Takes what the connection has brought, once; false when it ended.
  bool pump() {
    std::uint8_t chunk[kReceiveChunk];
    const long count = receiveNow(socket, chunk, sizeof chunk, failure);
    if (count < 0) return false;
    // What was read already goes; what is left is less than one read.
    received.erase(received.begin(), received.begin() + static_cast<std::ptrdiff_t>(receivedAt));
    receivedAt = 0;
    client->receive(std::span<const std::uint8_t>(chunk, static_cast<std::size_t>(count)),
                    received);
    return flush();
  }

  void disconnect() {
    if (client) earlier = sum(earlier, client->lineErrors());
    closeSocket(socket);
    socket = kNoSocket;
    client.reset();
    unsent.clear();
  }

  void lose() {
    disconnect();
    present = false;
    nextAttempt = Clock::now() + kReconnectInterval;
  }
};

RemoteLines::RemoteLines() : RemoteLines(Timeouts{}) {}
RemoteLines::RemoteLines(Timeouts timeouts) : timeouts_(timeouts) {}

RemoteLines::~RemoteLines() {
  while (!lines_.empty()) close(lines_.begin()->first);
}

RemoteLines::Line* RemoteLines::find(CommHandle handle) {
  const auto found = lines_.find(handle);
  return found != lines_.end() ? found->second.get() : nullptr;
}

CommHandle RemoteLines::open(const std::string& path) {
  const std::string url(withoutDevicePrefix(path));
  const auto address = parseRemoteAddress(url);
  if (!address) {
    lastFailureReason_ =
        "\"" + url + "\" is not the address of a remote line; write it as " + kRemoteAddressForms;
    return kInvalidCommHandle;
  }
  ConnectAttempt attempt(address->host, address->port, timeouts_.connect);
  const ConnectOutcome outcome = attempt.wait();
  if (outcome.socket == kNoSocket) {
    lastFailureReason_ =
        url + ": " + outcome.failure +
        (outcome.hostUnknown ? "; check the host's name"
                             : "; check that the server runs on that machine and serves that port");
    return kInvalidCommHandle;
  }
  auto line = std::make_unique<Line>();
  line->url = url;
  line->address = *address;
  line->connected(outcome.socket);
  if (!line->flush()) {
    lastFailureReason_ = url + ": " + line->failure;
    line->disconnect();
    return kInvalidCommHandle;
  }
  const CommHandle handle = nextHandle_++;
  lines_[handle] = std::move(line);
  lastFailureReason_.clear();
  return handle;
}

bool RemoteLines::setQueues(CommHandle handle, std::uint32_t, std::uint32_t) {
  return find(handle) != nullptr;
}

bool RemoteLines::purge(CommHandle handle) {
  Line* line = find(handle);
  if (line == nullptr) return false;
  line->received.clear();
  line->receivedAt = 0;
  return true;
}

bool RemoteLines::setReadsReturnAtOnce(CommHandle handle) { return find(handle) != nullptr; }

std::optional<LineState> RemoteLines::lineState(CommHandle handle) {
  Line* line = find(handle);
  return line != nullptr ? line->lineState : std::nullopt;
}

bool RemoteLines::setLineState(CommHandle handle, const LineState& state) {
  Line* line = find(handle);
  if (line == nullptr) return false;
  line->lineState = state;
  if (line->socket == kNoSocket) {
    // Set again with the rest once the connection is back.
    lastFailureReason_ = line->url + ": the connection is down; " + line->failure;
    return false;
  }
  line->client->requestLine(state);
  const auto deadline = Clock::now() + timeouts_.answer;
  bool alive = line->flush();
  while (alive && line->client->settingsAnswer() == SettingsAnswer::kPending) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) {
      lastFailureReason_ = line->url + ": the server did not answer the line settings within " +
                           std::to_string(timeouts_.answer.count() / 1000) +
                           " s; check that it serves RFC 2217 on that port, or name the line "
                           "tcp://" +
                           line->url.substr(line->url.find("://") + 3) +
                           " when its settings are made at the server";
      return false;
    }
    waitReadable(line->socket, std::min(left, std::chrono::milliseconds(100)));
    alive = line->pump();
  }
  if (!alive) {
    lastFailureReason_ = line->url + ": " + line->failure + " while the line settings were set";
    line->lose();
    return false;
  }
  if (line->client->settingsAnswer() == SettingsAnswer::kRefused) {
    lastFailureReason_ = line->url +
                         ": the server refused a line setting: " + line->client->refusal() +
                         "; choose settings its port takes in Setup";
    return false;
  }
  lastFailureReason_.clear();
  return true;
}

void RemoteLines::serveReconnect(Line& line) {
  const auto now = Clock::now();
  if (line.socket == kNoSocket) {
    if (!line.attempt) {
      if (now < line.nextAttempt) return;
      line.nextAttempt = now + kReconnectInterval;
      line.attempt =
          std::make_unique<ConnectAttempt>(line.address.host, line.address.port, timeouts_.connect);
    }
    const auto outcome = line.attempt->poll();
    if (!outcome) return;
    line.attempt.reset();
    if (outcome->socket == kNoSocket) {
      line.failure = outcome->failure;
      return;
    }
    line.connected(outcome->socket);
    if (line.lineState) line.client->requestLine(*line.lineState);
    line.answerDeadline = now + timeouts_.answer;
    if (!line.flush()) {
      line.lose();
      return;
    }
  }
  // Connected again: the line is back once the server agreed to its settings.
  if (!line.pump()) {
    line.lose();
    return;
  }
  switch (line.client->settingsAnswer()) {
    case SettingsAnswer::kNoneAsked:
    case SettingsAnswer::kAgreed:
      line.present = true;
      return;
    case SettingsAnswer::kRefused:
      line.failure = "the server refused a line setting: " + line.client->refusal();
      line.lose();
      return;
    case SettingsAnswer::kPending:
      if (now > line.answerDeadline) {
        line.failure = "the server did not answer the line settings";
        line.lose();
      }
      return;
  }
}

int RemoteLines::read(CommHandle handle, std::uint8_t* buffer, int maxBytes) {
  Line* line = find(handle);
  if (line == nullptr || maxBytes < 0) return -1;
  if (!line->present) serveReconnect(*line);
  if (line->present && line->queued() < static_cast<std::size_t>(maxBytes) && !line->pump()) {
    line->lose();
  }
  // What arrived before a connection ended is still the line's; what
  // arrives on a new one waits until the server agreed to the settings.
  const bool deliver = line->present || line->socket == kNoSocket;
  const std::size_t count =
      deliver ? std::min(line->queued(), static_cast<std::size_t>(maxBytes)) : 0;
  if (count > 0) {
    std::memcpy(buffer, line->received.data() + line->receivedAt, count);
    line->receivedAt += count;
    return static_cast<int>(count);
  }
  return line->present ? 0 : -1;
}

bool RemoteLines::close(CommHandle handle) {
  const auto found = lines_.find(handle);
  if (found == lines_.end()) return false;
  found->second->disconnect();
  lines_.erase(found);
  return true;
}

LineErrorCounts RemoteLines::lineErrors(CommHandle handle) {
  Line* line = find(handle);
  if (line == nullptr) return {};
  return line->client ? sum(line->earlier, line->client->lineErrors()) : line->earlier;
}

bool RemoteLines::devicePresent(CommHandle handle) const {
  const auto found = lines_.find(handle);
  return found != lines_.end() && found->second->present;
}

}  // namespace platform::network
