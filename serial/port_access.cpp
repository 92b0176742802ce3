// Opening, configuring, reading and closing the two ports. The ports are
// only ever read: nothing is written to them.
#include <string>

#include "capture/monitor_state.h"
#include "platform/comm/comm_backend.h"
#include "serial/line_settings.h"
#include "setup/setup_dlg.h"

namespace {

constexpr int kPortCount = 2;
constexpr int kMaxReadBytes = 256;
constexpr std::uint32_t kQueueBytes = 1024;
// A failed open ends the process; a status of 0 would report success.
constexpr int kOpenFailedExitStatus = 1;

const char* const kOpenFailedText[kPortCount] = {"Can not Open PORT A", "Can not Open PORT B"};

bool validPort(int port) { return port >= 0 && port < kPortCount; }

// A name of 5 or more characters is opened through the "//./" prefix,
// shorter ones as they are ("COM9" bare, "COM10" prefixed).
std::string devicePathFor(const std::string& name) {
  return name.size() >= 5 ? "//./" + name : name;
}

// Whether an encoded part holds an index of its table, shifted to its place.
bool partWithinTable(std::int32_t part, int shift, std::size_t entries) {
  return part >= 0 && (part & ((1 << shift) - 1)) == 0 &&
         (part >> shift) < static_cast<std::int32_t>(entries);
}

// Every encoded part names an entry of its table. A text that matched no
// entry leaves the table's entry count in its part, which would otherwise
// spill into a neighbouring field once the parts are combined (a data-bits
// count of 4 reads as 5 data bits and 2 stop bits).
bool partsWithinTables(int port) {
  const MonitorState& s = monitorState;
  return partWithinTable(s.baudPart[port], LineSettingsField::kBaudShift, BaudRateTable.size()) &&
         partWithinTable(s.dataBitsPart[port], LineSettingsField::kDataBitsShift,
                         DataBitsTable.size()) &&
         partWithinTable(s.stopBitsPart[port], LineSettingsField::kStopBitsShift,
                         StopBitsTable.size()) &&
         partWithinTable(s.parityPart[port], LineSettingsField::kParityShift, ParityTable.size());
}

}  // namespace

int CSetupDlg::openPort(int port, std::int32_t lineSettingsWord) {
  if (!validPort(port)) return -1;
  // Indexes beyond a table give the port nothing it could be set to.
  const int baudIndex = baudIndexOf(lineSettingsWord);
  const int parityIndex = parityIndexOf(lineSettingsWord);
  if (baudIndex >= static_cast<int>(BaudRateTable.size()) ||
      parityIndex >= static_cast<int>(ParityTable.size())) {
    return -1;
  }

  platform::CommBackend& comm = platform::commBackend();
  const std::string& name = port == 0 ? m_settings.port1 : m_settings.port2;
  monitorState.portHandle[port] = comm.open(devicePathFor(name));
  const platform::CommHandle handle = monitorState.portHandle[port];
  if (handle == platform::kInvalidCommHandle) return -1;

  comm.setQueues(handle, kQueueBytes, kQueueBytes);
  comm.purge(handle);  // whatever the driver held before the open is dropped
  comm.setReadsReturnAtOnce(handle);
  platform::LineState state = comm.lineState(handle).value_or(platform::LineState{});
  state.baudRate =
      static_cast<std::uint32_t>(BaudRateTable[static_cast<std::size_t>(baudIndex)].value);
  state.byteSize = static_cast<std::uint8_t>(
      DataBitsTable[static_cast<std::size_t>(dataBitsIndexOf(lineSettingsWord))].value);
  state.parity =
      static_cast<std::uint8_t>(ParityTable[static_cast<std::size_t>(parityIndex)].value);
  state.stopBits = static_cast<std::uint8_t>(
      StopBitsTable[static_cast<std::size_t>(stopBitsIndexOf(lineSettingsWord))].value);
  state.binary = true;
  state.parityCheck = true;  // also with no parity, as the line state is always given
  // A rejected configuration leaves the device open: the only caller ends
  // the process at once.
  if (!comm.setLineState(handle, state)) return -1;
  return 0;
}

int CSetupDlg::readPort(int port, std::uint8_t* buffer) {
  // A port that was never opened fails like any failed read.
  if (!validPort(port) || monitorState.portHandle[port] == platform::kInvalidCommHandle) {
    return -1;
  }
  const int count =
      platform::commBackend().read(monitorState.portHandle[port], buffer, kMaxReadBytes);
  return (count < -1 || count > kMaxReadBytes) ? -1 : count;
}

int CSetupDlg::closePort(int port) {
  if (!validPort(port) || monitorState.portHandle[port] == platform::kInvalidCommHandle) {
    return -1;
  }
  if (!platform::commBackend().close(monitorState.portHandle[port])) return -1;
  monitorState.portHandle[port] = platform::kInvalidCommHandle;
  return 0;
}

void CSetupDlg::openAllPorts() {
  loadSettings();
  const int portsInUse = monitorState.portBDisabled == 1 ? 1 : kPortCount;
  for (int port = 0; port < portsInUse; ++port) {
    bool opened = false;
    if (partsWithinTables(port)) {
      const LineSettingsWord word = monitorState.baudPart[port] | monitorState.dataBitsPart[port] |
                                    monitorState.stopBitsPart[port] | monitorState.parityPart[port];
      opened = openPort(port, word) == 0;
    }
    if (!opened) {
      ShowMessageBox(GetSafeHwnd(), kOpenFailedText[port], "Error", MB_OK);
      AfxExitProcess(kOpenFailedExitStatus);
    }
  }
  monitorState.connected = 1;
}

void CSetupDlg::closeAllPorts() {
  // Every open port is closed, whatever portBDisabled says now: the Disable
  // box acts at once, and a port must never stay held after a disconnect.
  for (int port = 0; port < kPortCount; ++port) {
    if (monitorState.portHandle[port] != platform::kInvalidCommHandle) closePort(port);
  }
  monitorState.connected = 0;
}
