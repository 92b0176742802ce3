#include "tests/tools/tshark_reader.h"

#include <cmath>
#include <filesystem>
#include <sstream>

#include "tests/tools/child_process.h"

namespace tool_test {

namespace {

std::vector<std::string> split(const std::string& line, char separator) {
  std::vector<std::string> fields;
  std::string field;
  std::istringstream in(line);
  while (std::getline(in, field, separator)) fields.push_back(field);
  if (!line.empty() && line.back() == separator) fields.emplace_back();
  return fields;
}

std::vector<std::uint8_t> fromHex(const std::string& hex) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t at = 0; at + 1 < hex.size(); at += 2) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(at, 2), nullptr, 16)));
  }
  return bytes;
}

}  // namespace

std::string tsharkMissing() {
  const ChildOutcome version =
      runChild("/usr/bin/env", {"tshark", "--version"}, std::filesystem::temp_directory_path());
  return version.status == 0 ? std::string{}
                             : "tshark is not installed here (scripts/install-deps.sh installs it)";
}

std::optional<std::vector<AnalysedPacket>> analyse(const std::string& path,
                                                   const std::string& decodeAs,
                                                   std::string* errors) {
  std::vector<std::string> args{"tshark", "-n", "-r", path};
  if (!decodeAs.empty()) {
    args.push_back("-d");
    args.push_back(decodeAs);
  }
  for (const char* field : {"frame.time_epoch", "rtacser.eventtype", "rtacser.footer", "data.data",
                            "_ws.col.Protocol", "_ws.col.Info"}) {
    args.push_back("-e");
    args.push_back(field);
  }
  args.insert(args.end(), {"-T", "fields", "-E", "separator=|", "-E", "occurrence=f"});
  const ChildOutcome run = runChild("/usr/bin/env", args, std::filesystem::temp_directory_path());
  if (errors != nullptr) {
    // Run as root (CI), tshark warns so on every start; that is not about the file.
    std::istringstream messages(run.err);
    std::string message;
    errors->clear();
    while (std::getline(messages, message)) {
      if (!message.starts_with("Running as user")) *errors += message + "\n";
    }
  }
  if (run.status != 0) return std::nullopt;
  std::vector<AnalysedPacket> packets;
  std::istringstream lines(run.out);
  std::string line;
  while (std::getline(lines, line)) {
    const std::vector<std::string> fields = split(line, '|');
    if (fields.size() < 6) return std::nullopt;
    AnalysedPacket packet;
    packet.epochSeconds = std::stod(fields[0]);
    // "1796752707.586118000": whole microseconds, read without a double's rounding.
    const auto dot = fields[0].find('.');
    packet.epochMicros =
        std::stoll(fields[0].substr(0, dot)) * 1'000'000 + std::stoll(fields[0].substr(dot + 1, 6));
    packet.eventType = fields[1].empty() ? -1 : std::stoi(fields[1], nullptr, 16);
    packet.footer = fields[2].empty() ? -1 : std::stoi(fields[2], nullptr, 16);
    packet.payload = fromHex(fields[3]);
    packet.protocol = fields[4];
    packet.info = fields[5];
    packets.push_back(std::move(packet));
  }
  return packets;
}

}  // namespace tool_test
