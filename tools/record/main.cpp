// korvane-record: the monitor's capture without its window, for captures
// longer than the window's store holds. This is where the system and the
// backends meet for the recorder: console message boxes, termios serial
// devices and the settings file.
#include <signal.h>

#include <cstdio>
#include <string_view>
#include <vector>

#include "capture/monitor_state.h"
#include "platform/comm/comm_backend.h"
#include "platform/console/console_window_system.h"
#include "platform/posix/config_paths.h"
#include "platform/posix/hive_file_registry.h"
#include "platform/posix/serial_device.h"
#include "setup/setup_dlg.h"
#include "tools/record/record_options.h"
#include "tools/record/record_session.h"
#include "tools/record/settings_overrides.h"

#ifndef KORVANE_VERSION
#error "KORVANE_VERSION comes from the project"
#endif

namespace {

constexpr int kFailed = 1;
constexpr int kUsage = 2;

extern "C" void requestStop(int /*signal*/) { recorder::stopRequested = 1; }

void catchStopSignals() {
  struct sigaction action {};
  action.sa_handler = requestStop;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no restart: the tick's sleep ends at once
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

void printSummary(const recorder::RecordOptions& options, const recorder::CaptureFileWriter& file,
                  const recorder::SessionResult& result) {
  std::printf(
      "file=%s bytes=%llu records-written=%llu ticks=%llu recycles=%llu seconds=%.1f ended=%s\n",
      options.file.c_str(), static_cast<unsigned long long>(file.bytes()),
      static_cast<unsigned long long>(result.recordsWritten),
      static_cast<unsigned long long>(result.ticks),
      static_cast<unsigned long long>(result.recycles), result.seconds,
      recorder::endName(result.end));
  for (int port = 0; port < result.portsInUse; ++port) {
    std::printf("%s\n",
                recorder::formatTally(result.ports[static_cast<std::size_t>(port)]).c_str());
  }
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  const recorder::RecordParse parsed = recorder::parseRecordOptions(args);
  if (std::holds_alternative<recorder::RecordHelp>(parsed)) {
    std::fputs(recorder::recordUsageText().c_str(), stdout);
    return 0;
  }
  if (std::holds_alternative<recorder::RecordVersion>(parsed)) {
    std::printf("korvane-record %s\n", KORVANE_VERSION);
    return 0;
  }
  if (const auto* error = std::get_if<recorder::RecordUsageError>(&parsed)) {
    std::fprintf(stderr, "korvane-record: %s\nTry 'korvane-record --help'.\n",
                 error->message.c_str());
    return kUsage;
  }
  const auto& options = std::get<recorder::RecordOptions>(parsed);

  platform::console::ConsoleWindowSystem console("korvane-record");
  platform::installWindowSystem(&console);
  platform::posix::SerialDevices serialDevices(platform::posix::portsFolder());
  platform::installCommBackend(&serialDevices);
  platform::posix::HiveFileRegistry settingsFile(platform::posix::hiveFilePath());
  recorder::SettingsOverrides settings(settingsFile);
  for (const auto& [name, text] : options.settings) settings.set(name, text);
  platform::installRegistryBackend(&settings);

  // The file is checked before any port is held, and created only once
  // they are open, so a port that fails leaves no empty file behind.
  if (const std::string reason =
          recorder::CaptureFileWriter::checkUsable(options.file, options.append);
      !reason.empty()) {
    std::fprintf(stderr, "korvane-record: %s: %s\n", options.file.c_str(), reason.c_str());
    return kFailed;
  }

  CSetupDlg setup;
  setup.loadCaptureSettings();
  // A port that does not open is told as the monitor tells it, and ends the
  // process with status 1.
  setup.openAllPorts();

  recorder::CaptureFileWriter file;
  if (const std::string reason = file.open(options.file, options.append); !reason.empty()) {
    setup.closeAllPorts();
    std::fprintf(stderr, "korvane-record: cannot create %s: %s\n", options.file.c_str(),
                 reason.c_str());
    return kFailed;
  }

  catchStopSignals();
  const recorder::SessionResult result = recorder::runSession(options, setup, file, stderr);
  setup.closeAllPorts();
  printSummary(options, file, result);
  return recorder::endedAsAsked(result.end) ? 0 : kFailed;
}
