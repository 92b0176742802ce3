// korvane-soak: both lines at 256000 baud (or --baud N) through the real monitor (Qt window
// system offscreen, termios serial devices, a settings file with a 32 MiB
// buffer) until its store is full, then Save File and an exact comparison of
// each port's saved bytes with what the line simulator sent.
//
//   korvane-soak [--poll-ms N] [--baud N] [--linesim PROGRAM] [--limit-seconds S]
//                [--capture-seconds S] [--platform NAME] [--keep]
//
// --baud sets both lines and both ports to that rate: a list entry, or a
// typed rate such as 921600 or 3000000, stored as Setup stores it.
//
// --platform xcb runs the window on an X display (xvfb-run for a virtual
// one), so that the screen updates go through a real X server.
// With --capture-seconds the capture ends after S seconds instead of at the
// full store: the monitor disconnects, saves, and what it holds by then is
// compared the same way. A short run for measuring CPU while changing code.
//
// Prints its figures as key=value lines and "result=PASS" or "result=FAIL";
// the exit status is 0 only for a pass.
#include <QCoreApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/soak/capture_file_walk.h"
#include "bench/soak/event_loop_probe.h"
#include "bench/soak/monitor_session.h"
#include "bench/soak/process_usage.h"
#include "bench/soak/simulator_process.h"
#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "res/resource.h"
#include "tools/line_simulator/patterns.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

constexpr const char* kPortNames[2] = {"COM3", "COM4"};
constexpr std::uint64_t kSeed = 1;

struct Options {
  std::string pollMs = "10";
  std::string baud = "256000";
  std::string linesim = KORVANE_LINESIM_PATH;
  int limitSeconds = 900;
  int captureSeconds = 0;              // 0: until the store is full
  std::string platform = "offscreen";  // Qt's platform: "xcb" on a real (or virtual) X display
  bool keep = false;
};

bool parseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--poll-ms" && hasValue) {
      options.pollMs = argv[++i];
    } else if (arg == "--baud" && hasValue) {
      options.baud = argv[++i];
    } else if (arg == "--linesim" && hasValue) {
      options.linesim = argv[++i];
    } else if (arg == "--limit-seconds" && hasValue) {
      options.limitSeconds = std::atoi(argv[++i]);
    } else if (arg == "--capture-seconds" && hasValue) {
      options.captureSeconds = std::atoi(argv[++i]);
    } else if (arg == "--platform" && hasValue) {
      options.platform = argv[++i];
    } else if (arg == "--keep") {
      options.keep = true;
    } else {
      std::fprintf(stderr,
                   "usage: korvane-soak [--poll-ms N] [--baud N] [--linesim PROGRAM] "
                   "[--limit-seconds S] [--capture-seconds S] [--platform NAME] [--keep]\n");
      return false;
    }
  }
  return options.limitSeconds > 0 && options.captureSeconds >= 0 &&
         options.captureSeconds < options.limitSeconds;
}

double secondsBetween(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

std::vector<std::uint8_t> readWholeFile(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// What the run saw at its turning points.
struct RunRecord {
  Clock::time_point connectedAt;
  double cpuAtConnect = 0;
  Clock::time_point fullAt;
  double cpuAtFull = 0;
  std::int32_t pollsAtFull = 0;
  std::int32_t recordsAtFull = 0;
  bool overflowed = false;
  int fullNotices = 0;
  bool saved = false;
  std::size_t storeBytesAtSave = 0;
  bool connectedAfterSave = true;
  bool timedOut = false;
  bool endedByClock = false;  // a short run: the capture stopped after a fixed time
  std::vector<std::string> otherPrompts;
};

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parseOptions(argc, argv, options)) return 2;

  char pattern[] = "/tmp/korvane-soak-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 2;
  const fs::path work = pattern;
  setenv("XDG_CONFIG_HOME", work.c_str(), 1);
  setenv("KORVANE_REGISTRY", (work / "registry.reg").c_str(), 1);
  setenv("QT_QPA_PLATFORM", options.platform.c_str(), 1);
  const fs::path capturePath = work / "soak-capture.kvn";

  soak::SimulatorProcess simulator;
  const std::vector<std::string> simArgs{"--pattern",
                                         "counter",
                                         "--seed",
                                         "1",
                                         "--baud",
                                         options.baud,
                                         "--wait-for-open",
                                         "--seconds",
                                         std::to_string(options.limitSeconds)};
  if (!simulator.start(options.linesim, simArgs, work / "linesim.out") ||
      !simulator.waitForLinks(work / "korvane" / "ports", {kPortNames[0], kPortNames[1]},
                              std::chrono::seconds(10))) {
    std::printf("result=FAIL the line simulator did not link COM3 and COM4\n");
    return 1;
  }

  int qtArgc = 1;
  char* qtArgv[] = {argv[0], nullptr};
  RunRecord run;
  soak::LatenessStats loop;
  {
    soak::MonitorSession session(qtArgc, qtArgv);
    soak::EventLoopProbe probe(std::chrono::milliseconds(100));
    session.storeSettings({options.baud, options.pollMs, "32"});
    session.prompts().setSavePath(capturePath.string());
    session.prompts().onExit([](int status) {
      std::printf("result=FAIL the monitor ended itself (status %d)\n", status);
      std::fflush(stdout);
      std::_Exit(1);
    });
    session.prompts().onPrompt([&](const soak::AnsweredPrompt& prompt) {
      if (prompt.kind != soak::AnsweredPrompt::Kind::MessageBox) return;
      if (prompt.text != "Receive Buffer Full") {
        run.otherPrompts.push_back(prompt.caption + ": " + prompt.text);
        return;
      }
      if (++run.fullNotices > 1) return;
      // The ports closed with the full store; a line that went on sending
      // into them would fill their queues and count as held off.
      simulator.stop();
      run.fullAt = Clock::now();
      run.cpuAtFull = soak::cpuSecondsUsed();
      run.pollsAtFull = monitorState.pollSeq;
      run.recordsAtFull = monitorState.recordCount;
      run.overflowed = monitorState.storeOverflowed != 0;
      // Saved from the message loop, as the user's next command would be.
      QTimer::singleShot(0, [&] {
        session.command(ID_SAVE_FILE);
        run.saved = fs::exists(capturePath);
        run.storeBytesAtSave =
            static_cast<std::size_t>(monitorState.writePos - monitorState.bufferStart);
        run.connectedAfterSave = monitorState.connected != 0;
        // A few more ticks with the store full and the ports closed.
        QTimer::singleShot(500, [&] { session.quit(); });
      });
    });
    if (!session.start()) {
      std::printf("result=FAIL the monitor did not start\n");
      return 1;
    }
    QTimer::singleShot(300, [&] {
      run.connectedAt = Clock::now();
      run.cpuAtConnect = soak::cpuSecondsUsed();
      session.command(ID_CONNECT);
      probe.start();
    });
    if (options.captureSeconds > 0) {
      QTimer::singleShot(300 + options.captureSeconds * 1000, [&] {
        if (run.fullNotices > 0) return;  // the store filled first
        run.endedByClock = true;
        run.fullAt = Clock::now();
        run.cpuAtFull = soak::cpuSecondsUsed();
        run.pollsAtFull = monitorState.pollSeq;
        run.recordsAtFull = monitorState.recordCount;
        session.command(ID_DISCONNECT);
        simulator.stop();
        session.command(ID_SAVE_FILE);
        run.saved = fs::exists(capturePath);
        run.storeBytesAtSave =
            static_cast<std::size_t>(monitorState.writePos - monitorState.bufferStart);
        run.connectedAfterSave = monitorState.connected != 0;
        QTimer::singleShot(500, [&] { session.quit(); });
      });
    }
    QTimer::singleShot(options.limitSeconds * 1000, [&] {
      run.timedOut = true;
      session.quit();
    });
    session.run();
    probe.stop();
    loop = probe.stats();
  }
  simulator.stop();
  const auto sent = simulator.sentReports();
  const auto peakKiB = soak::peakResidentKiB();

  // The saved file, record by record, each port against its line.
  const std::vector<std::uint8_t> file = readWholeFile(capturePath);
  const soak::CaptureFileWalk walk = soak::walkCaptureFile(file);
  std::vector<std::string> faults;
  if (run.timedOut) faults.push_back("the store did not fill within the time limit");
  if (run.fullNotices != (run.endedByClock ? 0 : 1)) {
    faults.push_back("\"Receive Buffer Full\" shown " + std::to_string(run.fullNotices) + " times");
  }
  for (const auto& prompt : run.otherPrompts) faults.push_back("unexpected box " + prompt);
  if (!run.saved) faults.push_back("Save File wrote no file");
  if (run.connectedAfterSave) faults.push_back("still connected after the store filled");
  if (!run.endedByClock && run.recordsAtFull != kRecordIndexSlots && !run.overflowed) {
    faults.push_back("the store was not full at the notice");
  }
  if (walk.fault) faults.push_back(*walk.fault);
  if (file.size() != run.storeBytesAtSave || walk.bytesWalked != file.size()) {
    faults.push_back("saved file of " + std::to_string(file.size()) + " bytes, store held " +
                     std::to_string(run.storeBytesAtSave) + ", records cover " +
                     std::to_string(walk.bytesWalked));
  }
  if (static_cast<std::int32_t>(walk.records) != run.recordsAtFull) {
    faults.push_back("file holds " + std::to_string(walk.records) + " records, store had " +
                     std::to_string(run.recordsAtFull));
  }
  for (std::size_t line = 0; line < 2; ++line) {
    const auto& bytes = walk.ports[line].bytes;
    if (bytes.empty()) faults.push_back(std::string("no data from ") + kPortNames[line]);
    if (auto at = linesim::firstMismatch(linesim::Pattern::counter, kSeed, line, bytes)) {
      faults.push_back(std::string(kPortNames[line]) + " differs from what was sent at byte " +
                       std::to_string(*at));
    }
    if (line < sent.size() && bytes.size() > sent[line].bytes) {
      faults.push_back(std::string(kPortNames[line]) + " holds more bytes than were sent");
    }
    // A line held off because the monitor did not read in time: on a real
    // port those bytes would have been lost to an overrun.
    if (line < sent.size() && sent[line].stalls > 0) {
      faults.push_back(std::string(kPortNames[line]) + " was held off " +
                       std::to_string(sent[line].stalls) + " times: the monitor fell behind");
    }
  }
  const double captureSeconds = secondsBetween(run.connectedAt, run.fullAt);
  const double pollMs = std::atof(options.pollMs.c_str());
  const double expectedTicks = pollMs > 0 ? captureSeconds * 1000 / pollMs : 0;
  const double tickShare = expectedTicks > 0 ? run.pollsAtFull / expectedTicks : 0;
  if (tickShare < 0.5) faults.push_back("fewer than half the expected ticks came");
  if (loop.maxLateMs > 500) faults.push_back("the event loop stalled for over 500 ms");

  const double cpuPercent =
      captureSeconds > 0 ? 100 * (run.cpuAtFull - run.cpuAtConnect) / captureSeconds : 0;
  std::printf("poll_ms=%s baud=%s\n", options.pollMs.c_str(), options.baud.c_str());
  std::printf("ended=%s\n", run.endedByClock ? "after the fixed capture time" : "store full");
  std::printf("capture_seconds=%.1f\n", captureSeconds);
  std::printf("cpu_percent_of_one_core=%.2f\n", cpuPercent);
  std::printf("peak_memory_mib=%.1f\n", peakKiB ? static_cast<double>(*peakKiB) / 1024 : -1.0);
  std::printf("records=%zu file_bytes=%zu labels=%lld..%lld\n", walk.records, file.size(),
              static_cast<long long>(walk.firstLabel), static_cast<long long>(walk.lastLabel));
  for (std::size_t line = 0; line < 2; ++line) {
    std::printf("port_%c_bytes_compared=%zu records=%zu sent=%llu stalls=%llu\n",
                line == 0 ? 'A' : 'B', walk.ports[line].bytes.size(), walk.ports[line].records,
                line < sent.size() ? static_cast<unsigned long long>(sent[line].bytes) : 0ULL,
                line < sent.size() ? static_cast<unsigned long long>(sent[line].stalls) : 0ULL);
  }
  std::printf("ticks=%d expected=%.0f share=%.3f\n", run.pollsAtFull, expectedTicks, tickShare);
  std::printf("event_loop_probe samples=%zu max_late_ms=%.1f mean_late_ms=%.2f over_50ms=%zu\n",
              loop.samples, loop.maxLateMs, loop.meanLateMs, loop.lateOver50Ms);
  for (const auto& fault : faults) std::printf("fault: %s\n", fault.c_str());
  std::printf("result=%s\n", faults.empty() ? "PASS" : "FAIL");
  if (!options.keep) {
    std::error_code error;
    fs::remove_all(work, error);
  } else {
    std::printf("kept=%s\n", work.c_str());
  }
  return faults.empty() ? 0 : 1;
}
