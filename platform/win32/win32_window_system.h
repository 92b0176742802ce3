// The window system of the Windows program: the framework's windows as real
// Win32 windows. This bridge sees only the framework; it reaches Win32
// through the plain functions of the win32_* files, so that <windows.h> and
// the framework's names never meet.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/desktop/desktop_window_system.h"
#include "platform/desktop/frame_pacer.h"
#include "platform/desktop/wheel_keys.h"
#include "platform/win32/cell_page.h"
#include "platform/win32/native_window.h"

namespace platform::win32 {

class RecordedSurface;

// What the window table keeps of each window.
struct Win32WindowPart {
  NativeWindow native = 0;  // 0 for a dialog that is not running
  WindowHandle parent = kNoWindow;
  CMenu* menu = nullptr;
};

class Win32WindowSystem final : public desktop::DesktopWindowSystem<Win32WindowPart>,
                                private NativeEvents {
 public:
  Win32WindowSystem();
  ~Win32WindowSystem() override;

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
  void setFineTimerStep(bool fine) override;
  // What the process took of the whole system goes back first: the timer
  // step and the caret blink time.
  [[noreturn]] void exitProcess(int status) override;
  int messageBox(const MessageBoxRequest& request) override;
  int runModalDialog(CDialog& dialog) override;
  void endModalDialog(CDialog& dialog, int result) override;
  bool runFileDialog(FileDialogRequest& request) override;

  // The native window of a handle (0 when there is none, or for a dialog
  // that is not running).
  NativeWindow nativeOf(WindowHandle window) const;

 private:
  std::unique_ptr<DrawSurface> viewSurface(WindowHandle window, DrawKind kind) override;
  void drawEnded(DrawSurface& surface) override;
  int runNativeLoop() override;
  void quitNativeLoop(int exitCode) override;

  // NativeEvents
  void timer(NativeWindow window, std::uintptr_t id) override;
  void keyDown(NativeWindow window, unsigned key, unsigned repeat, unsigned flags) override;
  void wheel(NativeWindow window, int delta) override;
  void paint(NativeWindow window) override;
  void command(NativeWindow frame, unsigned id) override;
  void initMenuPopup(NativeWindow frame, int barIndex, bool systemMenu) override;
  void dropFile(NativeWindow frame, const std::string& path) override;
  void close(NativeWindow frame) override;
  void screenDue(NativeWindow view) override;

  // What a view's screen shows and what waits to be shown.
  struct Screen {
    std::optional<CellPage> shown;
    std::optional<CellPage> pending;
    desktop::FramePacer pacer{kDisplayFrameMs, desktop::FramePacer::kDefaultStreamingIntervalMs};
    bool updateScheduled = false;
  };
  // One frame of a 60 Hz display.
  static constexpr int kDisplayFrameMs = 16;
  void show(const RecordedSurface& drawn);
  void writePending(WindowHandle window);

  WindowHandle handleOfNative(NativeWindow native) const;
  Window* findNative(NativeWindow native);
  // The main frame: the owner of a dialog or box that names none.
  NativeWindow mainFrame() const;
  void refreshMenuStates(const Window& frame);

  std::map<WindowHandle, Screen> screens_;
  desktop::WheelKeys wheel_;
  CaretState caret_;
};

// Makes the window system and installs it as the framework's; lives for the
// whole process.
Win32WindowSystem& installWin32WindowSystem();

}  // namespace platform::win32
