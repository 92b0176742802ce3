#include "platform/network/remote_address.h"

namespace platform::network {
namespace {

constexpr std::string_view kComPortScheme = "rfc2217://";
constexpr std::string_view kRawScheme = "tcp://";

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[i]) return false;
  }
  return true;
}

// Letters, digits, '-', '.' and '_' make a host name or an IPv4 address;
// an IPv6 address (in brackets) takes hex digits, ':' and '.'.
bool validHost(std::string_view host, bool bracketed) {
  if (host.empty() || host.size() > 253) return false;
  for (const char c : host) {
    const bool alnum = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    const bool allowed = bracketed ? (alnum || c == ':' || c == '.' || c == '%')
                                   : (alnum || c == '-' || c == '.' || c == '_');
    if (!allowed) return false;
  }
  return true;
}

}  // namespace

bool looksLikeRemoteAddress(std::string_view name) {
  return startsWithIgnoringCase(name, kComPortScheme) || startsWithIgnoringCase(name, kRawScheme);
}

std::optional<RemoteAddress> parseRemoteAddress(std::string_view name) {
  RemoteAddress address;
  if (startsWithIgnoringCase(name, kComPortScheme)) {
    address.protocol = LineProtocol::kComPort;
    name.remove_prefix(kComPortScheme.size());
  } else if (startsWithIgnoringCase(name, kRawScheme)) {
    address.protocol = LineProtocol::kRaw;
    name.remove_prefix(kRawScheme.size());
  } else {
    return std::nullopt;
  }
  if (!name.empty() && name.back() == '/') name.remove_suffix(1);
  std::string_view host;
  std::string_view port;
  const bool bracketed = name.starts_with('[');
  if (bracketed) {
    const std::size_t close = name.find(']');
    if (close == std::string_view::npos || name.substr(close + 1, 1) != ":") return std::nullopt;
    host = name.substr(1, close - 1);
    port = name.substr(close + 2);
  } else {
    const std::size_t colon = name.rfind(':');
    if (colon == std::string_view::npos) return std::nullopt;
    host = name.substr(0, colon);
    port = name.substr(colon + 1);
  }
  if (!validHost(host, bracketed) || port.empty() || port.size() > 5) return std::nullopt;
  unsigned number = 0;
  for (const char c : port) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + static_cast<unsigned>(c - '0');
  }
  if (number == 0 || number > 65535) return std::nullopt;
  address.host = std::string(host);
  address.port = static_cast<std::uint16_t>(number);
  return address;
}

}  // namespace platform::network
