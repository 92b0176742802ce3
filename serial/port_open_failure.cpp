#include "serial/port_open_failure.h"

#include <array>
#include <cstdint>

#include "capture/monitor_state.h"
#include "platform/comm/comm_backend.h"
#include "serial/line_settings.h"
#include "setup/setup_dlg.h"

namespace {

// Whether an encoded part holds an index of its table, shifted to its place.
bool partWithinTable(std::int32_t part, int shift, std::size_t entries) {
  return part >= 0 && (part & ((1 << shift) - 1)) == 0 &&
         (part >> shift) < static_cast<std::int32_t>(entries);
}

// "(5, 6, 7, 8)"; a long table by its ends only: "(110 ... 256000)".
template <std::size_t N>
std::string choicesOf(const std::array<LineSettingEntry, N>& table) {
  constexpr std::size_t kListedInFull = 5;
  std::string choices = "(";
  if (N > kListedInFull) {
    choices += std::string(table.front().text) + " ... " + std::string(table.back().text);
  } else {
    for (std::size_t i = 0; i < N; ++i) {
      if (i > 0) choices += ", ";
      choices += table[i].text;
    }
  }
  return choices + ")";
}

template <std::size_t N>
std::string notInTable(const char* setting, const std::string& text, const char* kind,
                       const std::array<LineSettingEntry, N>& table) {
  return std::string(setting) + " \"" + text + "\" is not one of the " + kind +
         " this port can be set to " + choicesOf(table) + "; choose one in Setup";
}

// A baud rate is a list entry or a typed rate; the text is neither.
std::string notARate(const std::string& text) {
  return "baud rate \"" + text + "\" " + typedBaudRateFault(text) +
         ": a rate is one of Setup's list " + choicesOf(BaudRateTable) +
         " or a whole number of baud from " + std::to_string(kLowestTypedBaudRate) + " to " +
         std::to_string(kHighestTypedBaudRate) + " in digits alone; choose or type one in Setup";
}

}  // namespace

std::string unusableLineSetting(int port, const PortSettings& settings) {
  if (port != 0 && port != 1) return "there is no such port";
  const MonitorState& s = monitorState;
  const bool a = port == 0;
  const bool typedRate = s.baudPart[port] == kTypedBaudIndex << LineSettingsField::kBaudShift &&
                         s.typedBaudRate[port] != 0;
  if (!typedRate &&
      !partWithinTable(s.baudPart[port], LineSettingsField::kBaudShift, BaudRateTable.size())) {
    return notARate(a ? settings.baudRate1 : settings.baudRate2);
  }
  if (!partWithinTable(s.dataBitsPart[port], LineSettingsField::kDataBitsShift,
                       DataBitsTable.size())) {
    return notInTable("data bits", a ? settings.dataBit1 : settings.dataBit2, "values",
                      DataBitsTable);
  }
  if (!partWithinTable(s.stopBitsPart[port], LineSettingsField::kStopBitsShift,
                       StopBitsTable.size())) {
    return notInTable("stop bits", a ? settings.stopBit1 : settings.stopBit2, "values",
                      StopBitsTable);
  }
  if (!partWithinTable(s.parityPart[port], LineSettingsField::kParityShift, ParityTable.size())) {
    return notInTable("parity", a ? settings.parity1 : settings.parity2, "values", ParityTable);
  }
  return {};
}

std::string deviceOpenFailure(const std::string& portName) {
  std::string reason = platform::commBackend().lastFailureReason();
  if (!reason.empty()) return reason;
  return "the device \"" + portName + "\" could not be opened or set up";
}
