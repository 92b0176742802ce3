#include "platform/network/connect_attempt.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace platform::network {

struct ConnectAttempt::Shared {
  std::mutex mutex;
  std::condition_variable done;
  std::optional<ConnectOutcome> outcome;
  bool abandoned = false;
};

ConnectAttempt::ConnectAttempt(const std::string& host, std::uint16_t port,
                               std::chrono::milliseconds timeout)
    : shared_(std::make_shared<Shared>()) {
  // The thread keeps the shared state alive past this object, so it never
  // has to be waited for.
  std::thread([shared = shared_, host, port, timeout] {
    ConnectOutcome outcome = connectTcp(host, port, timeout);
    std::lock_guard lock(shared->mutex);
    if (shared->abandoned) {
      closeSocket(outcome.socket);
      return;
    }
    shared->outcome = std::move(outcome);
    shared->done.notify_all();
  }).detach();
}

ConnectAttempt::~ConnectAttempt() {
  std::lock_guard lock(shared_->mutex);
  shared_->abandoned = true;
  if (shared_->outcome) closeSocket(shared_->outcome->socket);
}

std::optional<ConnectOutcome> ConnectAttempt::poll() {
  std::lock_guard lock(shared_->mutex);
  std::optional<ConnectOutcome> taken;
  taken.swap(shared_->outcome);
  if (taken) shared_->abandoned = true;  // handed over: nothing is left to close
  return taken;
}

ConnectOutcome ConnectAttempt::wait() {
  std::unique_lock lock(shared_->mutex);
  shared_->done.wait(lock, [&] { return shared_->outcome.has_value(); });
  ConnectOutcome taken = std::move(*shared_->outcome);
  shared_->outcome.reset();
  shared_->abandoned = true;
  return taken;
}

}  // namespace platform::network
