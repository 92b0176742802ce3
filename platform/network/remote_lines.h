// Lines on another machine, reached over TCP: a Telnet com-port server
// (rfc2217://HOST:PORT) or a raw one (tcp://HOST:PORT). Reads never wait:
// each takes what the connection has brought. A connection that ends is a
// device that went away: reads fail while a new connection is made off the
// polling thread, at most every half second, and the line comes back with
// the settings it had once the server has agreed to them again.
#pragma once

#include <chrono>
#include <map>
#include <memory>
#include <string>

#include "platform/comm/comm_backend.h"

namespace platform::network {

class RemoteLines final : public CommBackend {
 public:
  // Handles start here, far above any descriptor or handle number a serial
  // backend hands out, so that both can be told apart.
  static constexpr CommHandle kFirstHandle = CommHandle{1} << 24;
  static constexpr std::chrono::milliseconds kReconnectInterval{500};

  struct Timeouts {
    std::chrono::milliseconds connect{5000};  // per address of the host
    std::chrono::milliseconds answer{5000};   // for the server to answer the line settings
  };

  RemoteLines();
  explicit RemoteLines(Timeouts timeouts);
  ~RemoteLines() override;
  RemoteLines(const RemoteLines&) = delete;
  RemoteLines& operator=(const RemoteLines&) = delete;

  // path is a remote line's address, with or without a "//./" prefix.
  CommHandle open(const std::string& path) override;
  bool setQueues(CommHandle handle, std::uint32_t inputBytes, std::uint32_t outputBytes) override;
  bool purge(CommHandle handle) override;
  bool setReadsReturnAtOnce(CommHandle handle) override;
  std::optional<LineState> lineState(CommHandle handle) override;
  // Sends the settings and waits for the server's answer; an answer that
  // differs from what was asked is a refused setting.
  bool setLineState(CommHandle handle, const LineState& state) override;
  int read(CommHandle handle, std::uint8_t* buffer, int maxBytes) override;
  bool close(CommHandle handle) override;
  std::string lastFailureReason() const override { return lastFailureReason_; }
  LineErrorCounts lineErrors(CommHandle handle) override;
  bool devicePresent(CommHandle handle) const override;

 private:
  struct Line;

  Line* find(CommHandle handle);
  void serveReconnect(Line& line);

  Timeouts timeouts_;
  std::map<CommHandle, std::unique_ptr<Line>> lines_;
  CommHandle nextHandle_ = kFirstHandle;
  std::string lastFailureReason_;
};

}  // namespace platform::network
