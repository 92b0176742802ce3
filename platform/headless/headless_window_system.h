// A deterministic window system for tests: virtual timers, scripted message
// boxes, dialogs and file dialogs, recorded drawing, the caret's state, and a
// process exit that is observed (thrown as ProcessExit) instead of performed.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/desktop/screen_geometry.h"
#include "platform/framework/window_system.h"

namespace headless {

// Thrown by exitProcess so that a test can observe a fatal exit.
struct ProcessExit {
  int status;
};

struct DrawOp {
  enum class Kind { Fill, Text } kind = Kind::Fill;
  platform::WindowHandle window = platform::kNoWindow;
  platform::DrawKind drawKind = platform::DrawKind::Client;
  CRect rect;              // Fill
  int x = 0;               // Text
  int y = 0;               // Text
  COLORREF color = 0;      // fill colour or text colour
  platform::LogFont font;  // Text
  std::string bytes;       // Text: the raw bytes drawn
};

struct WindowRecord {
  CWnd* wnd = nullptr;
  platform::WindowKind kind = platform::WindowKind::View;
  platform::WindowHandle parent = platform::kNoWindow;
  std::string text;
  CREATESTRUCT createParams;
  CRect client{0, 0, platform::kDefaultViewWidthPx, platform::kDefaultViewHeightPx};
  bool visible = false;
  int invalidations = 0;
  CMenu* menu = nullptr;
  std::vector<ACCEL> accelerators;
  bool acceptsFiles = false;
};

struct TimerRecord {
  UINT periodMs = 0;
  long long dueMs = 0;
};

class HeadlessWindowSystem final : public platform::WindowSystem {
 public:
  using MessageBoxHandler = std::function<int(const platform::MessageBoxRequest&)>;
  using DialogHandler = std::function<void(CDialog&)>;
  using FileDialogHandler = std::function<bool(platform::FileDialogRequest&)>;

  // platform::WindowSystem
  platform::WindowHandle createWindow(CWnd& wnd, platform::WindowKind kind,
                                      platform::WindowHandle parent,
                                      const CREATESTRUCT& cs) override;
  void destroyWindow(platform::WindowHandle window) override;
  void setWindowText(platform::WindowHandle window, const std::string& text) override;
  std::string windowText(platform::WindowHandle window) const override;
  CRect clientRect(platform::WindowHandle window) const override;
  void showWindow(platform::WindowHandle window) override;
  void invalidate(platform::WindowHandle window) override;
  void setMenu(platform::WindowHandle frame, CMenu* menu) override;
  void setAccelerators(platform::WindowHandle frame, const std::vector<ACCEL>& table) override;
  void dragAcceptFiles(platform::WindowHandle frame, bool accept) override;
  bool setTimer(platform::WindowHandle window, UINT_PTR id, UINT periodMs) override;
  bool killTimer(platform::WindowHandle window, UINT_PTR id) override;
  void caretChanged(const platform::CaretState& caret) override;
  void setFineTimerStep(bool fine) override { fineTimerStep_ = fine; }
  platform::DrawSurface& beginDraw(platform::WindowHandle window, platform::DrawKind kind) override;
  void endDraw(platform::DrawSurface& surface) override;
  int messageBox(const platform::MessageBoxRequest& request) override;
  int runModalDialog(CDialog& dialog) override;
  void endModalDialog(CDialog& dialog, int result) override;
  bool runFileDialog(platform::FileDialogRequest& request) override;
  int runMessageLoop() override;
  void quitMessageLoop(int exitCode) override;
  [[noreturn]] void exitProcess(int status) override;

  // --- Test controls ---------------------------------------------------
  // Moves the virtual clock on by ms, delivering every timer tick that falls
  // due, in time order (ticks of one timer never pile up: a timer whose
  // handler took long fires once and is rescheduled from now).
  void advance(long long ms);
  // Delivers one tick of the timer (window, id) at once, if it runs.
  bool fireTimer(platform::WindowHandle window, UINT_PTR id);
  // Delivers one tick to every running timer, in creation order.
  void fireAllTimers();
  long long nowMs() const { return nowMs_; }
  std::optional<UINT> timerPeriod(platform::WindowHandle window, UINT_PTR id) const;
  std::size_t runningTimerCount() const { return timers_.size(); }

  void setMessageBoxHandler(MessageBoxHandler handler) { messageBoxHandler_ = std::move(handler); }
  void setDialogHandler(DialogHandler handler) { dialogHandler_ = std::move(handler); }
  void setFileDialogHandler(FileDialogHandler handler) { fileDialogHandler_ = std::move(handler); }

  const std::vector<platform::MessageBoxRequest>& messageBoxes() const { return messageBoxes_; }
  int openMessageBoxes() const { return openMessageBoxes_; }
  const std::vector<platform::FileDialogRequest>& fileDialogs() const { return fileDialogs_; }
  // Modal dialogs running now, innermost last; whether one has been ended.
  const std::vector<CDialog*>& openDialogs() const { return openDialogs_; }
  bool dialogEnded(const CDialog& dialog) const;

  const std::vector<DrawOp>& drawOps() const { return drawOps_; }
  // Text operations only, in drawing order.
  std::vector<DrawOp> textOps() const;
  int drawCount() const { return drawCount_; }
  void clearDrawing();

  const platform::CaretState& caret() const { return caret_; }
  const std::vector<platform::CaretState>& caretHistory() const { return caretHistory_; }

  const WindowRecord* window(platform::WindowHandle handle) const;
  WindowRecord* window(platform::WindowHandle handle);
  std::optional<int> quitCode() const { return quitCode_; }
  std::optional<int> exitStatus() const { return exitStatus_; }
  bool fineTimerStep() const { return fineTimerStep_; }

  // Forgets everything: windows, timers, recordings, handlers.
  void reset();

 private:
  class Surface;

  std::map<platform::WindowHandle, WindowRecord> windows_;
  platform::WindowHandle nextHandle_ = 1;
  std::map<std::pair<platform::WindowHandle, UINT_PTR>, TimerRecord> timers_;
  long long nowMs_ = 0;
  MessageBoxHandler messageBoxHandler_;
  DialogHandler dialogHandler_;
  FileDialogHandler fileDialogHandler_;
  std::vector<platform::MessageBoxRequest> messageBoxes_;
  int openMessageBoxes_ = 0;
  std::vector<platform::FileDialogRequest> fileDialogs_;
  std::vector<DrawOp> drawOps_;
  int drawCount_ = 0;
  std::vector<Surface*> openSurfaces_;
  platform::CaretState caret_;
  std::vector<platform::CaretState> caretHistory_;
  std::map<const CDialog*, int> dialogResults_;
  std::vector<CDialog*> openDialogs_;
  std::optional<int> quitCode_;
  std::optional<int> exitStatus_;
  bool fineTimerStep_ = false;
};

// The instance tests use; installs itself as the window system on first use.
HeadlessWindowSystem& system();

}  // namespace headless
