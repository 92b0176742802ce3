#include "tools/record/recorder_program.h"

#include <cstdio>
#include <string_view>
#include <vector>

#include "capture/monitor_state.h"
#include "platform/console/console_window_system.h"
#include "platform/process/stop_request.h"
#include "setup/setup_dlg.h"
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

void printSummary(const RecordOptions& options, const CaptureFileWriter& file,
                  const SessionResult& result) {
  std::printf(
      "file=%s bytes=%llu records-written=%llu ticks=%llu recycles=%llu seconds=%.1f ended=%s\n",
      options.file.c_str(), static_cast<unsigned long long>(file.bytes()),
      static_cast<unsigned long long>(result.recordsWritten),
      static_cast<unsigned long long>(result.ticks),
      static_cast<unsigned long long>(result.recycles), result.seconds, endName(result.end));
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
  if (const std::string reason = CaptureFileWriter::checkUsable(options.file, options.append);
      !reason.empty()) {
    std::fprintf(stderr, "korvane-record: %s: %s\n", options.file.c_str(), reason.c_str());
    return kFailed;
  }

  // Caught before any port is open: a stop while the ports open ends the
  // session after its first tick, with every port given back.
  platform::process::catchStopRequests();
  CSetupDlg setup;
  setup.loadCaptureSettings();
  // A port that does not open is told as the monitor tells it, and ends the
  // process with status 1 once the ports already open are given back.
  setup.openAllPorts();

  CaptureFileWriter file;
  if (const std::string reason = file.open(options.file, options.append); !reason.empty()) {
    setup.closeAllPorts();
    std::fprintf(stderr, "korvane-record: cannot create %s: %s\n", options.file.c_str(),
                 reason.c_str());
    return kFailed;
  }

  const SessionResult result = runSession(options, setup, file, stderr);
  setup.closeAllPorts();
  printSummary(options, file, result);
  platform::process::stopServed();
  return endedAsAsked(result.end) ? 0 : kFailed;
}

}  // namespace recorder
