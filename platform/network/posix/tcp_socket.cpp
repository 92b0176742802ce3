#include "platform/network/tcp_socket.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace platform::network {
namespace {

std::string systemError(int error) {
  return std::string(std::strerror(error)) + " (error " + std::to_string(error) + ")";
}

// A peer that vanished (a pulled cable, a machine switched off) is found
// within about 20 s instead of hours.
void keepAlive(int fd) {
  const int on = 1, idleSeconds = 10, intervalSeconds = 5, probes = 2;
  setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &idleSeconds, sizeof idleSeconds);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &intervalSeconds, sizeof intervalSeconds);
  setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &probes, sizeof probes);
}

// One address: 0 when connected, else the errno of the failure.
int connectOne(int fd, const addrinfo& address, std::chrono::milliseconds timeout) {
  if (connect(fd, address.ai_addr, address.ai_addrlen) == 0) return 0;
  if (errno != EINPROGRESS) return errno;
  pollfd waiting{fd, POLLOUT, 0};
  int ready = 0;
  do {
    ready = poll(&waiting, 1, static_cast<int>(timeout.count()));
  } while (ready < 0 && errno == EINTR);
  if (ready == 0) return ETIMEDOUT;
  if (ready < 0) return errno;
  int error = 0;
  socklen_t length = sizeof error;
  if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return errno;
  return error;
}

}  // namespace

ConnectOutcome connectTcp(const std::string& host, std::uint16_t port,
                          std::chrono::milliseconds timeout) {
  ConnectOutcome outcome;
  const std::string where = host + " port " + std::to_string(port);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  const int lookup = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  if (lookup != 0) {
    outcome.hostUnknown = true;
    outcome.failure =
        "cannot find the host " + host + ": " +
        (lookup == EAI_SYSTEM ? systemError(errno) : std::string(gai_strerror(lookup)));
    return outcome;
  }
  int error = 0;
  for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
    const int fd = socket(address->ai_family, address->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                          address->ai_protocol);
    if (fd < 0) {
      error = errno;
      continue;
    }
    error = connectOne(fd, *address, timeout);
    if (error == 0) {
      keepAlive(fd);
      outcome.socket = fd;
      break;
    }
    ::close(fd);
  }
  freeaddrinfo(found);
  if (outcome.socket == kNoSocket) {
    outcome.failure = "cannot connect to " + where + ": " + systemError(error);
  }
  return outcome;
}

long receiveNow(SocketHandle socket, std::uint8_t* buffer, std::size_t size, std::string& failure) {
  const ssize_t count = recv(static_cast<int>(socket), buffer, size, MSG_DONTWAIT);
  if (count > 0) return count;
  if (count == 0) {
    failure = "the server closed the connection";
    return -1;
  }
  if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return 0;
  failure = "the connection failed: " + systemError(errno);
  return -1;
}

long sendNow(SocketHandle socket, const std::uint8_t* bytes, std::size_t size,
             std::string& failure) {
  const ssize_t count = send(static_cast<int>(socket), bytes, size, MSG_DONTWAIT | MSG_NOSIGNAL);
  if (count >= 0) return count;
  if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return 0;
  failure = "the connection failed: " + systemError(errno);
  return -1;
}

void waitReadable(SocketHandle socket, std::chrono::milliseconds timeout) {
  pollfd waiting{static_cast<int>(socket), POLLIN, 0};
  poll(&waiting, 1, static_cast<int>(timeout.count()));
}

void closeSocket(SocketHandle socket) {
  if (socket != kNoSocket) ::close(static_cast<int>(socket));
}

}  // namespace platform::network
