// Start-up of the monitor to the first paint of its view, on the offscreen
// Qt platform: application object, template, frame, view, the view's first
// update (settings, buffer, caret, timer) and the paint that follows.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>

#include "app/korvane_app.h"
#include "capture/capture_store.h"
#include "platform/comm/comm_backend.h"
#include "platform/headless/fake_comm.h"
#include "platform/headless/memory_registry.h"
#include "platform/qt/qt_view_widget.h"
#include "platform/qt/qt_window_system.h"
#include "platform/registry/registry_backend.h"

extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace {

platform::qt::QtWindowSystem& qtSystem() {
  static int argc = 1;
  static char name[] = "app_startup_bench";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  return platform::qt::installQtWindowSystem(argc, argv);
}

void BM_StartUpToFirstPaint(benchmark::State& state) {
  auto& system = qtSystem();
  headless::MemoryRegistry registry;
  headless::FakeComm comm;
  platform::installRegistryBackend(&registry);
  platform::installCommBackend(&comm);
  for (auto _ : state) {
    resetProcessState();
    CKORVANEApp app;
    if (!app.InitInstance()) {
      state.SkipWithError("start-up failed");
      break;
    }
    auto* view = system.view(app.GetDocTemplate()->GetView()->GetSafeHwnd());
    QElapsedTimer waited;
    waited.start();
    while (view->paintPending() && waited.elapsed() < 5000) {
      QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    state.PauseTiming();
    app.ExitInstance();
    QApplication::processEvents();
    state.ResumeTiming();
  }
  resetProcessState();
}
BENCHMARK(BM_StartUpToFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
