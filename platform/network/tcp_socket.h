// The few socket operations a remote line needs, over POSIX sockets
// (posix/tcp_socket.cpp) or Winsock (win32/tcp_socket.cpp). Only
// connectTcp blocks, and only for at most its timeout plus the name lookup:
// it runs on a connecting thread, never on the polling one.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::network {

using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kNoSocket = -1;

struct ConnectOutcome {
  SocketHandle socket = kNoSocket;
  std::string failure;       // why not, when socket is kNoSocket
  bool hostUnknown = false;  // the name lookup failed
};

// Looks the host up and connects to its port, trying each address it has,
// within timeout for each. The socket returned does not block and tells of
// a peer that vanished without closing (keep-alive probes).
// The failure says what failed and the system's reason: "cannot connect to
// 127.0.0.1 port 4001: Connection refused (error 111)".
ConnectOutcome connectTcp(const std::string& host, std::uint16_t port,
                          std::chrono::milliseconds timeout);

// What a transfer came to: a count, 0 when it would have to wait, or -1
// when the connection ended (closed by the peer, reset, or failed), with the
// reason in failure.
long receiveNow(SocketHandle socket, std::uint8_t* buffer, std::size_t size, std::string& failure);
long sendNow(SocketHandle socket, const std::uint8_t* bytes, std::size_t size,
             std::string& failure);

// Waits at most timeout for something to read (or the end of the
// connection).
void waitReadable(SocketHandle socket, std::chrono::milliseconds timeout);

void closeSocket(SocketHandle socket);

}  // namespace platform::network
