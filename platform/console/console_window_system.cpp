#include "platform/console/console_window_system.h"

#include <cstdio>
#include <cstdlib>

#include "platform/desktop/desktop_window_system.h"

namespace platform::console {

ConsoleWindowSystem::ConsoleWindowSystem(std::string programName)
    : programName_(std::move(programName)) {}

ConsoleWindowSystem::~ConsoleWindowSystem() = default;

WindowHandle ConsoleWindowSystem::createWindow(CWnd& /*wnd*/, WindowKind /*kind*/,
                                               WindowHandle /*parent*/,
                                               const CREATESTRUCT& /*cs*/) {
  return nextWindow_++;
}

void ConsoleWindowSystem::destroyWindow(WindowHandle /*window*/) {}
void ConsoleWindowSystem::setWindowText(WindowHandle /*window*/, const std::string& /*text*/) {}
std::string ConsoleWindowSystem::windowText(WindowHandle /*window*/) const { return {}; }
CRect ConsoleWindowSystem::clientRect(WindowHandle /*window*/) const { return CRect{0, 0, 0, 0}; }
void ConsoleWindowSystem::showWindow(WindowHandle /*window*/) {}
void ConsoleWindowSystem::invalidate(WindowHandle /*window*/) {}
void ConsoleWindowSystem::setMenu(WindowHandle /*frame*/, CMenu* /*menu*/) {}
void ConsoleWindowSystem::setAccelerators(WindowHandle /*frame*/,
                                          const std::vector<ACCEL>& /*table*/) {}
void ConsoleWindowSystem::dragAcceptFiles(WindowHandle /*frame*/, bool /*accept*/) {}

// A program on the console runs its own clock; no window timer ever fires.
bool ConsoleWindowSystem::setTimer(WindowHandle /*window*/, UINT_PTR /*id*/, UINT /*periodMs*/) {
  return false;
}
bool ConsoleWindowSystem::killTimer(WindowHandle /*window*/, UINT_PTR /*id*/) { return false; }
void ConsoleWindowSystem::caretChanged(const CaretState& /*caret*/) {}

DrawSurface& ConsoleWindowSystem::beginDraw(WindowHandle /*window*/, DrawKind /*kind*/) {
  static desktop::NoSurface surface;  // there is no screen
  return surface;
}
void ConsoleWindowSystem::endDraw(DrawSurface& /*surface*/) {}

std::string ConsoleWindowSystem::formatMessageBox(const std::string& programName,
                                                  const MessageBoxRequest& request) {
  // The detail is left out: the system writes a failure's reason to standard
  // error itself when it raises the box, and it would show twice.
  return programName + ": " + request.caption + ": " + request.text + "\n";
}

int ConsoleWindowSystem::messageBox(const MessageBoxRequest& request) {
  const std::string text = formatMessageBox(programName_, request);
  std::fputs(text.c_str(), stderr);
  std::fflush(stderr);
  // Nobody is there to choose: every box is taken as acknowledged.
  return IDOK;
}

int ConsoleWindowSystem::runModalDialog(CDialog& /*dialog*/) { return IDCANCEL; }
void ConsoleWindowSystem::endModalDialog(CDialog& /*dialog*/, int /*result*/) {}
bool ConsoleWindowSystem::runFileDialog(FileDialogRequest& /*request*/) { return false; }
int ConsoleWindowSystem::runMessageLoop() { return exitCode_; }
void ConsoleWindowSystem::quitMessageLoop(int exitCode) { exitCode_ = exitCode; }

void ConsoleWindowSystem::exitProcess(int status) {
  std::fflush(stdout);
  std::fflush(stderr);
  std::exit(status);
}

}  // namespace platform::console
