// The seam between the framework substitute and the platform that shows
// windows. A backend implements WindowSystem; the framework classes call it.
// Backends see only this folder, never system code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/framework/icon_image.h"
#include "platform/framework/wintypes.h"

class CWnd;
class CMenu;
class CDialog;

namespace platform {

using WindowHandle = std::uintptr_t;  // 0 is no window
inline constexpr WindowHandle kNoWindow = 0;

enum class WindowKind { Frame, View, Dialog };

// Font as CreateFont describes it; the backend maps it to a real face.
struct LogFont {
  int height = 0;
  int width = 0;
  int escapement = 0;
  int orientation = 0;
  int weight = 0;
  BYTE italic = 0;
  BYTE underline = 0;
  BYTE strikeOut = 0;
  BYTE charSet = 0;
  BYTE outPrecision = 0;
  BYTE clipPrecision = 0;
  BYTE quality = 0;
  BYTE pitchAndFamily = 0;
  std::string faceName;
  bool operator==(const LogFont&) const = default;
};

// The one caret of the user-interface thread. It is created hidden; each
// HideCaret adds one to hideCount, each ShowCaret takes one off while it is
// above 0, and the caret shows only when it exists with hideCount 0.
struct CaretState {
  WindowHandle owner = kNoWindow;
  bool exists = false;
  int width = 0;
  int height = 0;
  int x = 0;
  int y = 0;
  int hideCount = 0;
  UINT blinkTimeMs = 500;
  bool visible() const { return exists && hideCount == 0; }
};

// A target of drawing for the duration of one device context.
class DrawSurface {
 public:
  virtual ~DrawSurface() = default;
  virtual CRect clientRect() const = 0;
  virtual void fillSolidRect(const CRect& rect, COLORREF color) = 0;
  // Draws count single-byte characters, each in one cell, the first cell's
  // top-left corner at (x, y).
  virtual void textOut(int x, int y, COLORREF color, const LogFont& font, const BYTE* bytes,
                       int count) = 0;
};

enum class DrawKind { Client, Paint };

struct MessageBoxRequest {
  WindowHandle owner = kNoWindow;
  std::string text;
  std::string caption;
  UINT style = MB_OK;
  // Why it happened and what to do, shown apart from the text (a details
  // area). A backend without such an area ignores it.
  std::string detail;
};

struct FileDialogRequest {
  bool open = true;              // open dialog, else save dialog
  std::string defaultExtension;  // empty: none
  std::string initialFileName;   // such as "*.kvn"
  DWORD flags = 0;
  std::string filter;  // framework notation: "desc|pattern|...||"
  WindowHandle owner = kNoWindow;
  // Filled by the backend when the user confirms: the full path chosen.
  std::string chosenPath;
};

class WindowSystem {
 public:
  virtual ~WindowSystem() = default;

  // Windows.
  virtual WindowHandle createWindow(CWnd& wnd, WindowKind kind, WindowHandle parent,
                                    const CREATESTRUCT& cs) = 0;
  virtual void destroyWindow(WindowHandle window) = 0;
  virtual void setWindowText(WindowHandle window, const std::string& text) = 0;
  virtual std::string windowText(WindowHandle window) const = 0;
  virtual CRect clientRect(WindowHandle window) const = 0;
  virtual void showWindow(WindowHandle window) = 0;
  virtual void invalidate(WindowHandle window) = 0;
  // The frame's menu bar and accelerators; the menu stays owned by the caller.
  virtual void setMenu(WindowHandle frame, CMenu* menu) = 0;
  virtual void setAccelerators(WindowHandle frame, const std::vector<ACCEL>& table) = 0;
  virtual void dragAcceptFiles(WindowHandle frame, bool accept) = 0;
  // The frame's icon, every size it comes in; a platform without window
  // icons ignores it.
  virtual void setWindowIcon(WindowHandle /*frame*/, const std::vector<IconImage>& /*images*/) {}

  // Timers per (window, id). Setting an id that runs replaces it.
  virtual bool setTimer(WindowHandle window, UINT_PTR id, UINT periodMs) = 0;
  virtual bool killTimer(WindowHandle window, UINT_PTR id) = 0;

  // The caret changed in any way (shape, position, visibility, blink time).
  virtual void caretChanged(const CaretState& caret) = 0;

  // While fine is set the ports are connected and the poll timer must keep
  // its period: a platform whose timers step coarsely by default asks for
  // its finest step, and gives it back when fine is cleared.
  virtual void setFineTimerStep(bool /*fine*/) {}

  // Drawing. beginDraw returns a surface valid until endDraw.
  virtual DrawSurface& beginDraw(WindowHandle window, DrawKind kind) = 0;
  virtual void endDraw(DrawSurface& surface) = 0;

  // Modal boxes and dialogs; each runs a nested loop in which timers fire.
  virtual int messageBox(const MessageBoxRequest& request) = 0;
  virtual int runModalDialog(CDialog& dialog) = 0;
  virtual void endModalDialog(CDialog& dialog, int result) = 0;
  virtual bool runFileDialog(FileDialogRequest& request) = 0;

  // The application's message loop; returns the exit code.
  virtual int runMessageLoop() = 0;
  virtual void quitMessageLoop(int exitCode) = 0;

  // Ends the process. A test backend observes it instead (and unwinds).
  [[noreturn]] virtual void exitProcess(int status) = 0;
};

// The backend in use; installed once at start-up (or by a test fixture).
WindowSystem& windowSystem();
void installWindowSystem(WindowSystem* system);

}  // namespace platform
