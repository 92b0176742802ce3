#include "tools/record/recorder_program.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "capture/monitor_state.h"
#include "platform/console/console_window_system.h"
#include "platform/process/stop_request.h"
#include "setup/setup_dlg.h"
#include "tools/record/pcap_recording.h"
#include "tools/record/record_options.h"
#include "tools/record/record_session.h"
#include "tools/record/settings_overrides.h"

#ifndef KORVANE_VERSION
#error "KORVANE_VERSION comes from the project"
#endif

namespace recorder {

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;

// The ports in use as the settings set them up, for the pcap file and the
// summary.
PcapRecording::Setup pcapSetupOf(const RecordOptions& options, const PortSettings& settings) {
  PcapRecording::Setup setup;
  setup.path = options.pcapFile;
  setup.joinGap = options.joinGap;
  setup.joinBaud = options.joinBaud;
  setup.pollMs = monitorState.pollTimeMs;
  auto line = [](const std::string& name, const std::string& baud, const std::string& dataBits,
                 const std::string& parity, const std::string& stopBits) {
    return PortLine{name, static_cast<std::uint32_t>(std::strtoul(baud.c_str(), nullptr, 10)),
                    dataBits, parity, stopBits};
  };
  setup.ports.push_back(line(settings.port1, settings.baudRate1, settings.dataBit1,
                             settings.parity1, settings.stopBit1));
  if (monitorState.portBDisabled == 0) {
    setup.ports.push_back(line(settings.port2, settings.baudRate2, settings.dataBit2,
                               settings.parity2, settings.stopBit2));
  }
  return setup;
}

void printSummary(const RecordOptions& options, const CaptureFileWriter& file,
                  const PcapRecording& pcap, const SessionResult& result) {
  if (!file.isOpen()) {
    std::printf("pcap=%s bytes=%llu packets=%llu ticks=%llu seconds=%.1f ended=%s\n",
                options.pcapFile.c_str(), static_cast<unsigned long long>(pcap.file().bytes()),
                static_cast<unsigned long long>(pcap.file().packets()),
                static_cast<unsigned long long>(result.ticks), result.seconds, endName(result.end));
  } else {
    std::printf(
        "file=%s bytes=%llu records-written=%llu ticks=%llu recycles=%llu seconds=%.1f ended=%s "
        "longest-tick-ms=%.1f\n",
        options.file.c_str(), static_cast<unsigned long long>(file.bytes()),
        static_cast<unsigned long long>(result.recordsWritten),
        static_cast<unsigned long long>(result.ticks),
        static_cast<unsigned long long>(result.recycles), result.seconds, endName(result.end),
        result.longestTickMs);
    if (pcap.writing()) {
      std::printf("pcap=%s bytes=%llu packets=%llu\n", options.pcapFile.c_str(),
                  static_cast<unsigned long long>(pcap.file().bytes()),
                  static_cast<unsigned long long>(pcap.file().packets()));
    }
  }
  // What the files alone cannot say: when, how often, and the lines.
  std::printf("%s\n", pcap.description().c_str());
  for (int port = 0; port < result.portsInUse; ++port) {
    std::printf("%s\n", formatTally(result.ports[static_cast<std::size_t>(port)]).c_str());
  }
  std::fflush(stdout);
}

}  // namespace

int runRecorderProgram(int argc, char** argv, platform::CommBackend& serialDevices,
                       platform::RegistryBackend& settingsStore) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  const RecordParse parsed = parseRecordOptions(args);
  if (std::holds_alternative<RecordHelp>(parsed)) {
    std::fputs(recordUsageText().c_str(), stdout);
    return 0;
  }
  if (std::holds_alternative<RecordVersion>(parsed)) {
    std::printf("korvane-record %s\n", KORVANE_VERSION);
    return 0;
  }
  if (const auto* error = std::get_if<RecordUsageError>(&parsed)) {
    std::fprintf(stderr, "korvane-record: %s\nTry 'korvane-record --help'.\n",
                 error->message.c_str());
    return kUsage;
  }
  const auto& options = std::get<RecordOptions>(parsed);

  platform::console::ConsoleWindowSystem console("korvane-record");
  platform::installWindowSystem(&console);
  platform::installCommBackend(&serialDevices);
  SettingsOverrides settings(settingsStore);
  for (const auto& [name, text] : options.settings) settings.set(name, text);
  platform::installRegistryBackend(&settings);

  // The file is checked before any port is held, and created only once
  // they are open, so a port that fails leaves no empty file behind.
  if (!options.file.empty()) {
    if (const std::string reason = CaptureFileWriter::checkUsable(options.file, options.append);
        !reason.empty()) {
      std::fprintf(stderr, "korvane-record: %s: %s\n", options.file.c_str(), reason.c_str());
      return kFailed;
    }
  }
  if (!options.pcapFile.empty()) {
    if (const std::string reason = PcapRecording::checkUsable(options.pcapFile); !reason.empty()) {
      std::fprintf(stderr, "korvane-record: %s: %s\n", options.pcapFile.c_str(), reason.c_str());
      return kFailed;
    }
  }

  // Caught before any port is open: a stop while the ports open ends the
  // session after its first tick, with every port given back.
  platform::process::catchStopRequests();
  CSetupDlg setup;
  setup.loadCaptureSettings();
  // A driver queue far larger than the window's: a tick held up by a busy
  // machine loses nothing while the queue takes the line's bytes.
  setup.m_driverQueueBytes = kRecorderDriverQueueBytes;
  // A port that does not open is told as the monitor tells it, and ends the
  // process with status 1 once the ports already open are given back.
  setup.openAllPorts();

  CaptureFileWriter file;
  // For measurements: a disk whose every flush takes this long.
  if (const char* slowDisk = std::getenv("KORVANE_SLOW_DISK_MS")) {
    file.slowFlushesBy(std::chrono::milliseconds(std::atoi(slowDisk)));
  }
  if (const std::string reason =
          options.file.empty() ? std::string{} : file.open(options.file, options.append);
      !reason.empty()) {
    setup.closeAllPorts();
    std::fprintf(stderr, "korvane-record: cannot create %s: %s\n", options.file.c_str(),
                 reason.c_str());
    return kFailed;
  }
  PcapRecording pcap(pcapSetupOf(options, setup.m_settings));
  if (const std::string reason = pcap.open(); !reason.empty()) {
    setup.closeAllPorts();
    std::fprintf(stderr, "korvane-record: cannot create %s: %s\n", options.pcapFile.c_str(),
                 reason.c_str());
    return kFailed;
  }

  const SessionResult result = runSession(options, setup, file, pcap, stderr);
  setup.closeAllPorts();
  printSummary(options, file, pcap, result);
  platform::process::stopServed();
  return endedAsAsked(result.end) ? 0 : kFailed;
}

}  // namespace recorder
