#include "platform/network/remote_address.h"

#include <gtest/gtest.h>

namespace {

using namespace platform::network;

TEST(RemoteAddressTest, ReadsTheTwoFormsAndRefusesTheRest) {
  struct Case {
    const char* text;
    bool valid;
    LineProtocol protocol;
    const char* host;
    std::uint16_t port;
  };
  const Case cases[] = {
      {"rfc2217://127.0.0.1:4001", true, LineProtocol::kComPort, "127.0.0.1", 4001},
      {"RFC2217://lab-rack.example:7000/", true, LineProtocol::kComPort, "lab-rack.example", 7000},
      {"tcp://ts1:1", true, LineProtocol::kRaw, "ts1", 1},
      {"tcp://[::1]:65535", true, LineProtocol::kRaw, "::1", 65535},
      {"rfc2217://[fe80::1%eth0]:2217", true, LineProtocol::kComPort, "fe80::1%eth0", 2217},
      {"tcp://host:0", false, {}, "", 0},
      {"tcp://host:65536", false, {}, "", 0},
      {"tcp://host:123456", false, {}, "", 0},
      {"tcp://host:", false, {}, "", 0},
      {"tcp://host", false, {}, "", 0},
      {"tcp://:4000", false, {}, "", 0},
      {"tcp://host:40a0", false, {}, "", 0},
      {"tcp://ho st:4000", false, {}, "", 0},
      {"tcp://user@host:4000", false, {}, "", 0},
      {"tcp://[::1:4000", false, {}, "", 0},
      {"telnet://host:23", false, {}, "", 0},
      {"COM3", false, {}, "", 0},
  };
  for (const Case& c : cases) {
    const auto address = parseRemoteAddress(c.text);
    ASSERT_EQ(address.has_value(), c.valid) << c.text;
    if (!address) continue;
    EXPECT_EQ(address->protocol, c.protocol) << c.text;
    EXPECT_EQ(address->host, c.host) << c.text;
    EXPECT_EQ(address->port, c.port) << c.text;
  }
}

TEST(RemoteAddressTest, AnyTextWithEitherSchemeIsMeantAsAnAddress) {
  EXPECT_TRUE(looksLikeRemoteAddress("Tcp://"));
  EXPECT_TRUE(looksLikeRemoteAddress("rfc2217://no port"));
  EXPECT_FALSE(looksLikeRemoteAddress("tcp:/host:1"));
  EXPECT_FALSE(looksLikeRemoteAddress("lab1"));
}

}  // namespace
