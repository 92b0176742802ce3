#include "tools/record/port_tally.h"

namespace recorder {

namespace {

constexpr int kRecordDataBytes = 16;

std::string count(const std::optional<std::uint64_t>& value) {
  return value ? std::to_string(*value) : "unknown";
}

}  // namespace

void PortTally::countRead(int result) {
  if (result < 0) {
    ++failedReads;
    return;
  }
  bytes += static_cast<std::uint64_t>(result);
  records += static_cast<std::uint64_t>((result + kRecordDataBytes - 1) / kRecordDataBytes);
}

bool PortTally::notePresence(bool nowPresent) {
  if (nowPresent == present) return false;
  present = nowPresent;
  ++(nowPresent ? deviceBack : deviceLost);
  return true;
}

std::string formatTally(const PortTally& t) {
  std::string line = "port=";
  line += t.letter;
  line += " name=" + t.name;
  if (!t.device.empty()) line += " device=" + t.device;
  line += " bytes=" + std::to_string(t.bytes) + " records=" + std::to_string(t.records) +
          " failed-reads=" + std::to_string(t.failedReads) +
          " parity=" + count(t.lineErrors.parity) + " framing=" + count(t.lineErrors.framing) +
          " overrun=" + count(t.lineErrors.overrun) +
          " buffer-overrun=" + count(t.lineErrors.bufferOverrun) +
          " breaks=" + count(t.lineErrors.breaks) + " device-lost=" + std::to_string(t.deviceLost) +
          " device-back=" + std::to_string(t.deviceBack);
  return line;
}

}  // namespace recorder
