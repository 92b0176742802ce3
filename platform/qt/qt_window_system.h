// The window system of the desktop: frames, views and dialogs as Qt widgets,
// timers as QTimers, message boxes and file dialogs as Qt's own, and the
// message loop as the application's event loop.
#pragma once

#include <QPointer>
#include <QWidget>
#include <string>
#include <vector>

#include "platform/desktop/desktop_window_system.h"
#include "platform/qt/qt_timer_table.h"

class QApplication;

namespace platform::qt {

class QtFrameWindow;
class QtViewWidget;

// What the window table keeps of each window.
struct QtWindowPart {
  QPointer<QWidget> widget;
};

class QtWindowSystem final : public desktop::DesktopWindowSystem<QtWindowPart> {
 public:
  QtWindowSystem();
  ~QtWindowSystem() override;

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
  void setWindowIcon(WindowHandle frame, const std::vector<IconImage>& images) override;
  bool setTimer(WindowHandle window, UINT_PTR id, UINT periodMs) override;
  bool killTimer(WindowHandle window, UINT_PTR id) override;
  void caretChanged(const CaretState& caret) override;
  int messageBox(const MessageBoxRequest& request) override;
  int runModalDialog(CDialog& dialog) override;
  void endModalDialog(CDialog& dialog, int result) override;
  bool runFileDialog(FileDialogRequest& request) override;

  // The widget of a window, or nullptr.
  QWidget* widget(WindowHandle window) const;
  QtViewWidget* view(WindowHandle window) const;
  QtFrameWindow* frame(WindowHandle window) const;
  const QtTimerTable& timers() const { return timers_; }

 private:
  std::unique_ptr<DrawSurface> viewSurface(WindowHandle window, DrawKind kind) override;
  void drawEnded(DrawSurface& surface) override;
  int runNativeLoop() override;
  void quitNativeLoop(int exitCode) override;
  void deliverTick(WindowHandle window, UINT_PTR id);

  QtTimerTable timers_;
  WindowHandle caretOwner_ = kNoWindow;
};

// Creates the application (once per process) and the window system, and
// installs it as the framework's window system. argc and argv must outlive it.
QtWindowSystem& installQtWindowSystem(int& argc, char** argv);

// Closes every window and ends the application made by the install function;
// for the end of main, before static objects go. Windows still known to the
// window system are gone afterwards; their objects may still be destroyed.
void shutDownQtApplication();

}  // namespace platform::qt
