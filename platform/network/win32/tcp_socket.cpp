#include "platform/network/tcp_socket.h"

#include "platform/win32/system_error_text.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
// In this order: winsock2.h before windows.h (which would bring the old
// winsock.h), and mstcpip.h after both, whose types it takes.
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <mstcpip.h>
#include <ws2tcpip.h>
// clang-format on

#include <mutex>

namespace platform::network {
namespace {

// Winsock is started once, by the first connection, and left to the end of
// the process.
void startWinsock() {
  static std::once_flag started;
  std::call_once(started, [] {
    WSADATA data{};
    WSAStartup(MAKEWORD(2, 2), &data);
  });
}

std::string systemError(int error) {
  return win32::systemErrorText(static_cast<std::uint32_t>(error));
}

SOCKET native(SocketHandle socket) { return static_cast<SOCKET>(socket); }

// A peer that vanished (a pulled cable, a machine switched off) is found
// within about 20 s instead of hours.
void keepAlive(SOCKET socket) {
  tcp_keepalive settings{};
  settings.onoff = 1;
  settings.keepalivetime = 10000;
  settings.keepaliveinterval = 5000;
  DWORD returned = 0;
  WSAIoctl(socket, SIO_KEEPALIVE_VALS, &settings, sizeof settings, nullptr, 0, &returned, nullptr,
           nullptr);
}

// One address: 0 when connected, else the Winsock error of the failure.
int connectOne(SOCKET socket, const addrinfo& address, std::chrono::milliseconds timeout) {
  u_long nonBlocking = 1;
  if (ioctlsocket(socket, FIONBIO, &nonBlocking) != 0) return WSAGetLastError();
  if (connect(socket, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0) return 0;
  const int started = WSAGetLastError();
  if (started != WSAEWOULDBLOCK) return started;
  fd_set writable, failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(socket, &writable);
  FD_SET(socket, &failed);
  timeval wait{};
  wait.tv_sec = static_cast<long>(timeout.count() / 1000);
  wait.tv_usec = static_cast<long>((timeout.count() % 1000) * 1000);
  const int ready = select(0, nullptr, &writable, &failed, &wait);
  if (ready == 0) return WSAETIMEDOUT;
  if (ready == SOCKET_ERROR) return WSAGetLastError();
  int error = 0;
  int length = sizeof error;
  if (getsockopt(socket, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0) {
    return WSAGetLastError();
  }
  if (error == 0 && FD_ISSET(socket, &failed)) error = WSAECONNREFUSED;
  return error;
}

bool wouldWait(int error) { return error == WSAEWOULDBLOCK || error == WSAEINTR; }

}  // namespace

ConnectOutcome connectTcp(const std::string& host, std::uint16_t port,
                          std::chrono::milliseconds timeout) {
  startWinsock();
  ConnectOutcome outcome;
  const std::string where = host + " port " + std::to_string(port);
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_protocol = IPPROTO_TCP;
  addrinfo* found = nullptr;
  const int lookup = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
  if (lookup != 0) {
    outcome.hostUnknown = true;
    outcome.failure = "cannot find the host " + host + ": " + systemError(lookup);
    return outcome;
  }
  int error = 0;
  for (const addrinfo* address = found; address != nullptr; address = address->ai_next) {
    const SOCKET socket = ::socket(address->ai_family, address->ai_socktype, address->ai_protocol);
    if (socket == INVALID_SOCKET) {
      error = WSAGetLastError();
      continue;
    }
    error = connectOne(socket, *address, timeout);
    if (error == 0) {
      keepAlive(socket);
      outcome.socket = static_cast<SocketHandle>(socket);
      break;
    }
    closesocket(socket);
  }
  freeaddrinfo(found);
  if (outcome.socket == kNoSocket) {
    outcome.failure = "cannot connect to " + where + ": " + systemError(error);
  }
  return outcome;
}

long receiveNow(SocketHandle socket, std::uint8_t* buffer, std::size_t size, std::string& failure) {
  const int count =
      recv(native(socket), reinterpret_cast<char*>(buffer), static_cast<int>(size), 0);
  if (count > 0) return count;
  if (count == 0) {
    failure = "the server closed the connection";
    return -1;
  }
  const int error = WSAGetLastError();
  if (wouldWait(error)) return 0;
  failure = "the connection failed: " + systemError(error);
  return -1;
}

long sendNow(SocketHandle socket, const std::uint8_t* bytes, std::size_t size,
             std::string& failure) {
  const int count =
      send(native(socket), reinterpret_cast<const char*>(bytes), static_cast<int>(size), 0);
  if (count >= 0) return count;
  const int error = WSAGetLastError();
  if (wouldWait(error)) return 0;
  failure = "the connection failed: " + systemError(error);
  return -1;
}

void waitReadable(SocketHandle socket, std::chrono::milliseconds timeout) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(native(socket), &readable);
  timeval wait{};
  wait.tv_sec = static_cast<long>(timeout.count() / 1000);
  wait.tv_usec = static_cast<long>((timeout.count() % 1000) * 1000);
  select(0, &readable, nullptr, nullptr, &wait);
}

void closeSocket(SocketHandle socket) {
  if (socket != kNoSocket) closesocket(native(socket));
}

}  // namespace platform::network
