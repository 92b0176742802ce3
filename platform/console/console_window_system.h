// A window system for programs without a screen: message boxes are printed
// to standard error and answered with their first button, and ending the
// process ends it. Nothing is ever shown, so windows, timers, drawing and
// dialogs do nothing.
#pragma once

#include <string>

#include "platform/framework/window_system.h"

namespace platform::console {

class ConsoleWindowSystem final : public WindowSystem {
 public:
  // programName starts every line printed, as command-line tools do.
  explicit ConsoleWindowSystem(std::string programName);
  ~ConsoleWindowSystem() override;

  WindowHandle createWindow(CWnd& wnd, WindowKind kind, WindowHandle parent,
                            const CREATESTRUCT& cs) override;
  void destroyWindow(WindowHandle window) override;
  void setWindowText(WindowHandle window, const std::string& text) override;
  std::string windowText(WindowHandle window) const override;
  CRect clientRect(WindowHandle window) const override;
  void showWindow(WindowHandle window) override;
  void invalidate(WindowHandle window) override;
  void setMenu(WindowHandle frame, CMenu* menu) override;
  void setAccelerators(WindowHandle frame, const std::vector<ACCEL>& table) override;
  void dragAcceptFiles(WindowHandle frame, bool accept) override;
  bool setTimer(WindowHandle window, UINT_PTR id, UINT periodMs) override;
  bool killTimer(WindowHandle window, UINT_PTR id) override;
  void caretChanged(const CaretState& caret) override;
  DrawSurface& beginDraw(WindowHandle window, DrawKind kind) override;
  void endDraw(DrawSurface& surface) override;
  int messageBox(const MessageBoxRequest& request) override;
  int runModalDialog(CDialog& dialog) override;
  void endModalDialog(CDialog& dialog, int result) override;
  bool runFileDialog(FileDialogRequest& request) override;
  int runMessageLoop() override;
  void quitMessageLoop(int exitCode) override;
  [[noreturn]] void exitProcess(int status) override;

  // The line a message box prints: "program: caption: text". Its detail is
  // not repeated; the system has written the reason to standard error.
  static std::string formatMessageBox(const std::string& programName,
                                      const MessageBoxRequest& request);

 private:
  std::string programName_;
  WindowHandle nextWindow_ = 1;
  int exitCode_ = 0;
};

}  // namespace platform::console
