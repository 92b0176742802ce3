// One connection being made on a thread of its own, so that a name lookup
// or a slow server never holds up the polling thread. The polling thread
// asks whether it is done; an attempt given up before it ends closes the
// connection it may still make.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "platform/network/tcp_socket.h"

namespace platform::network {

class ConnectAttempt {
 public:
  ConnectAttempt(const std::string& host, std::uint16_t port, std::chrono::milliseconds timeout);
  ~ConnectAttempt();
  ConnectAttempt(const ConnectAttempt&) = delete;
  ConnectAttempt& operator=(const ConnectAttempt&) = delete;

  // The outcome once there is one, handed over once; nothing while it runs.
  std::optional<ConnectOutcome> poll();
  // Waits for the outcome.
  ConnectOutcome wait();

 private:
  struct Shared;
  std::shared_ptr<Shared> shared_;
};

}  // namespace platform::network
