// The address of a line on another machine: "rfc2217://HOST:PORT" for a
// Telnet com-port server, "tcp://HOST:PORT" for a raw one. HOST is a name,
// an IPv4 address or an IPv6 address in brackets ("[::1]").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/network/com_port_client.h"

namespace platform::network {

struct RemoteAddress {
  LineProtocol protocol = LineProtocol::kRaw;
  std::string host;  // without brackets
  std::uint16_t port = 0;
};

// Whether a name is meant as a remote line's address (its scheme is one of
// the two, in any letter case), valid or not.
bool looksLikeRemoteAddress(std::string_view name);

// The address a name spells, or nothing when it is not a valid one.
std::optional<RemoteAddress> parseRemoteAddress(std::string_view name);

// What a valid address looks like, for a user who gave a wrong one.
inline constexpr const char* kRemoteAddressForms = "rfc2217://HOST:PORT or tcp://HOST:PORT";

}  // namespace platform::network
