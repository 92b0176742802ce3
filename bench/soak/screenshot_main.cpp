// korvane-screenshot: a picture of a real capture. Starts the line simulator
// with protocol traffic on COM3 and COM4, the monitor with default settings
// in a folder of its own, chooses Connect, and after a few seconds of capture
// saves the main window as a PNG image.
//
//   korvane-screenshot OUTPUT.png [--seconds S] [--linesim PROGRAM]
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench/soak/monitor_session.h"
#include "bench/soak/simulator_process.h"
#include "res/resource.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: korvane-screenshot OUTPUT.png [--seconds S] [--linesim PROGRAM]\n");
    return 2;
  }
  const std::string output = argv[1];
  int seconds = 4;
  std::string linesim = KORVANE_LINESIM_PATH;
  for (int i = 2; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--seconds") seconds = std::atoi(argv[i + 1]);
    if (arg == "--linesim") linesim = argv[i + 1];
  }

  char pattern[] = "/tmp/korvane-shot-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 2;
  const fs::path work = pattern;
  setenv("XDG_CONFIG_HOME", work.c_str(), 1);
  setenv("KORVANE_REGISTRY", (work / "registry.reg").c_str(), 1);
  if (getenv("DISPLAY") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 0);

  soak::SimulatorProcess simulator;
  if (!simulator.start(linesim, {"--pattern", "protocol", "--wait-for-open", "--pause-ms", "60"},
                       work / "linesim.out") ||
      !simulator.waitForLinks(work / "korvane" / "ports", {"COM3", "COM4"},
                              std::chrono::seconds(10))) {
    std::fprintf(stderr, "the line simulator did not link COM3 and COM4\n");
    return 1;
  }

  bool saved = false;
  {
    int qtArgc = 1;
    char* qtArgv[] = {argv[0], nullptr};
    soak::MonitorSession session(qtArgc, qtArgv);
    if (!session.start()) return 1;
    QTimer::singleShot(300, [&] { session.command(ID_CONNECT); });
    QTimer::singleShot(300 + seconds * 1000, [&] {
      if (QWidget* window = session.mainWindow())
        saved = window->grab().save(QString::fromStdString(output));
      session.quit();
    });
    session.run();
    for (const auto& prompt : session.prompts().log()) {
      std::fprintf(stderr, "answered: %s %s\n", prompt.caption.c_str(), prompt.text.c_str());
    }
  }
  simulator.stop();
  std::error_code error;
  fs::remove_all(work, error);
  if (!saved) std::fprintf(stderr, "could not save %s\n", output.c_str());
  return saved ? 0 : 1;
}
