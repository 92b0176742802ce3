// What the Qt and Win32 window systems do alike: the table of their windows,
// device contexts that draw into a view's own surface and into nothing
// elsewhere, and the ends of the message loop. Part is what the backend keeps
// of each window (its widget, its native window...).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/framework/window_system.h"

namespace platform::desktop {

// Drawing on a window with nothing to draw into (a frame, a dialog, a window
// already gone, or a program without a screen) draws nothing.
class NoSurface final : public DrawSurface {
 public:
  explicit NoSurface(CRect client = CRect{}) : client_(client) {}
  CRect clientRect() const override { return client_; }
  void fillSolidRect(const CRect&, COLORREF) override {}
  void textOut(int, int, COLORREF, const LogFont&, const BYTE*, int) override {}

 private:
  CRect client_;
};

template <typename Part>
class DesktopWindowSystem : public WindowSystem {
 public:
  DrawSurface& beginDraw(WindowHandle window, DrawKind kind) final {
    std::unique_ptr<DrawSurface> surface = viewSurface(window, kind);
    if (!surface) surface = std::make_unique<NoSurface>(clientRect(window));
    openSurfaces_.push_back(std::move(surface));
    return *openSurfaces_.back();
  }
  void endDraw(DrawSurface& surface) final {
    for (auto it = openSurfaces_.begin(); it != openSurfaces_.end(); ++it) {
      if (it->get() != &surface) continue;
      drawEnded(surface);
      openSurfaces_.erase(it);
      return;
    }
  }
  // A quit asked before the loop runs (a start-up failure shows its box and
  // quits first) ends the loop as soon as it starts.
  int runMessageLoop() final {
    if (pendingQuit_) return *std::exchange(pendingQuit_, std::nullopt);
    loopRunning_ = true;
    const int code = runNativeLoop();
    loopRunning_ = false;
    return code;
  }
  void quitMessageLoop(int exitCode) final {
    if (loopRunning_) {
      quitNativeLoop(exitCode);
    } else {
      pendingQuit_ = exitCode;
    }
  }
  // Ends at once, also from inside nested loops; only the C streams are
  // flushed, as the standard exit's callers expect of their output.
  [[noreturn]] void exitProcess(int status) override {
    std::fflush(nullptr);
    std::_Exit(status);
  }

 protected:
  struct Window : Part {
    CWnd* wnd = nullptr;
    WindowKind kind = WindowKind::View;
  };

  Window* find(WindowHandle window) {
    auto it = windows_.find(window);
    return it != windows_.end() ? &it->second : nullptr;
  }
  const Window* find(WindowHandle window) const {
    auto it = windows_.find(window);
    return it != windows_.end() ? &it->second : nullptr;
  }
  WindowHandle add(Window window) {
    windows_[nextHandle_] = std::move(window);
    return nextHandle_++;
  }

  // The surface of a view's device context; nullptr where nothing is drawn.
  virtual std::unique_ptr<DrawSurface> viewSurface(WindowHandle window, DrawKind kind) = 0;
  // A device context ends: the backend shows what its surface holds.
  virtual void drawEnded(DrawSurface& surface) = 0;
  virtual int runNativeLoop() = 0;
  virtual void quitNativeLoop(int exitCode) = 0;

  std::map<WindowHandle, Window> windows_;

 private:
  WindowHandle nextHandle_ = 1;
  std::vector<std::unique_ptr<DrawSurface>> openSurfaces_;
  std::optional<int> pendingQuit_;
  bool loopRunning_ = false;
};

}  // namespace platform::desktop
