// What the real analyser reads in a pcap file: tshark, run on the file,
// asked for the fields of every packet. Tests skip, saying why, only where
// tshark is not installed (scripts/install-deps.sh installs it).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tool_test {

struct AnalysedPacket {
  double epochSeconds = 0;
  std::int64_t epochMicros = 0;
  int eventType = -1;  // rtacser.eventtype
  int footer = -1;     // rtacser.footer
  std::vector<std::uint8_t> payload;
  std::string protocol;  // the column tshark shows
  std::string info;
};

// Empty when tshark runs; otherwise why it does not.
std::string tsharkMissing();

// Every packet of path as tshark reads it, with decodeAs ("rtacser.data,mbrtu")
// when not empty; nullopt when tshark failed, with its messages in *errors.
std::optional<std::vector<AnalysedPacket>> analyse(const std::string& path,
                                                   const std::string& decodeAs = {},
                                                   std::string* errors = nullptr);

}  // namespace tool_test
