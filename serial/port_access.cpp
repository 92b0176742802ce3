// Opening, configuring, reading and closing the two ports. The ports are
// only ever read: nothing is written to them.
#include <cstdio>
#include <string>

#include "capture/monitor_state.h"
#include "platform/comm/comm_backend.h"
#include "platform/diagnostics/diagnostic_lines.h"
#include "serial/line_settings.h"
#include "serial/open_ports.h"
#include "serial/port_open_failure.h"
#include "serial/port_statistics.h"
#include "setup/setup_dlg.h"

namespace {

constexpr int kPortCount = 2;
constexpr int kMaxReadBytes = 256;
constexpr std::uint32_t kOutputQueueBytes = 1024;  // never written to
// A failed open ends the process; a status of 0 would report success.
constexpr int kOpenFailedExitStatus = 1;

const char* const kOpenFailedText[kPortCount] = {"Can not Open PORT A", "Can not Open PORT B"};

bool validPort(int port) { return port >= 0 && port < kPortCount; }

// A name of 5 or more characters is opened through the "//./" prefix,
// shorter ones as they are ("COM9" bare, "COM10" prefixed).
std::string devicePathFor(const std::string& name) {
  return name.size() >= 5 ? "//./" + name : name;
}

}  // namespace

int CSetupDlg::openPort(int port, std::int32_t lineSettingsWord) {
  if (!validPort(port)) return -1;
  // Indexes beyond a table give the port nothing it could be set to; the
  // baud index one past the table stands for the port's typed rate.
  const int baudIndex = baudIndexOf(lineSettingsWord);
  const int parityIndex = parityIndexOf(lineSettingsWord);
  const bool typedRate = baudIndex == kTypedBaudIndex && monitorState.typedBaudRate[port] != 0;
  if ((baudIndex >= static_cast<int>(BaudRateTable.size()) && !typedRate) ||
      parityIndex >= static_cast<int>(ParityTable.size())) {
    return -1;
  }

  platform::CommBackend& comm = platform::commBackend();
  const std::string& name = port == 0 ? m_settings.port1 : m_settings.port2;
  monitorState.portHandle[port] = comm.open(devicePathFor(name));
  const platform::CommHandle handle = monitorState.portHandle[port];
  if (handle == platform::kInvalidCommHandle) return -1;
  startPortCounters(port, name);

  comm.setQueues(handle, m_driverQueueBytes, kOutputQueueBytes);
  comm.purge(handle);  // whatever the driver held before the open is dropped
  comm.setReadsReturnAtOnce(handle);
  platform::LineState state = comm.lineState(handle).value_or(platform::LineState{});
  state.baudRate =
      typedRate
          ? monitorState.typedBaudRate[port]
          : static_cast<std::uint32_t>(BaudRateTable[static_cast<std::size_t>(baudIndex)].value);
  state.byteSize = static_cast<std::uint8_t>(
      DataBitsTable[static_cast<std::size_t>(dataBitsIndexOf(lineSettingsWord))].value);
  state.parity =
      static_cast<std::uint8_t>(ParityTable[static_cast<std::size_t>(parityIndex)].value);
  state.stopBits = static_cast<std::uint8_t>(
      StopBitsTable[static_cast<std::size_t>(stopBitsIndexOf(lineSettingsWord))].value);
  state.binary = true;
  state.parityCheck = true;  // also with no parity, as the line state is always given
  // A rejected configuration leaves the device open: the only caller gives
  // every open port back and ends the process.
  if (!comm.setLineState(handle, state)) return -1;
  return 0;
}

int CSetupDlg::readPort(int port, std::uint8_t* buffer) {
  // A port that was never opened fails like any failed read.
  if (!validPort(port) || monitorState.portHandle[port] == platform::kInvalidCommHandle) {
    return -1;
  }
  platform::CommBackend& comm = platform::commBackend();
  const platform::CommHandle handle = monitorState.portHandle[port];
  int count = comm.read(handle, buffer, kMaxReadBytes);
  if (count < -1 || count > kMaxReadBytes) count = -1;
  if (count > 0) monitorState.portRun[port].bytesReceived += static_cast<std::uint64_t>(count);
  notePortPresence(port, comm.devicePresent(handle));
  return count;
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
    // A setting that matched no table entry leaves the table's entry count
    // in its part, which would spill into a neighbouring field once the
    // parts are combined (a data-bits count of 4 reads as 5 data bits and 2
    // stop bits): such a port is not opened at all.
    std::string reason = unusableLineSetting(port, m_settings);
    if (reason.empty()) {
      const LineSettingsWord word = monitorState.baudPart[port] | monitorState.dataBitsPart[port] |
                                    monitorState.stopBitsPart[port] | monitorState.parityPart[port];
      if (openPort(port, word) != 0) {
        reason = deviceOpenFailure(port == 0 ? m_settings.port1 : m_settings.port2);
      }
    }
    if (!reason.empty()) {
      platform::writeDiagnosticLine(std::string(kOpenFailedText[port]) + ": " + reason);
      ShowMessageBox(GetSafeHwnd(), kOpenFailedText[port], "Error", MB_OK, reason);
      // The ports opened before this one are given back before the process
      // ends: the process exit would leave them raw and held exclusively.
      releaseOpenPorts();
      AfxExitProcess(kOpenFailedExitStatus);
    }
  }
  SetFineTimerStep(true);  // the poll timer keeps its period while connected
  monitorState.connected = 1;
}

void releaseOpenPorts() {
  // Every open port is closed, whatever portBDisabled says now: the Disable
  // box acts at once, and a port must never stay held after a disconnect.
  // What each port received is told while its device is still open.
  printOpenPortStatistics();
  for (int port = 0; port < kPortCount; ++port) {
    platform::CommHandle& handle = monitorState.portHandle[port];
    if (handle == platform::kInvalidCommHandle) continue;
    platform::commBackend().close(handle);
    handle = platform::kInvalidCommHandle;
  }
  SetFineTimerStep(false);
  monitorState.connected = 0;
}

void CSetupDlg::closeAllPorts() { releaseOpenPorts(); }
