// A window system that passes everything on to the real one but answers
// message boxes (OK) and file dialogs itself, so an unattended run can go
// through the paths that would otherwise wait for a person. Every box and
// dialog it answers is kept in a log.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/framework/window_system.h"

namespace soak {

struct AnsweredPrompt {
  enum class Kind { MessageBox, SaveDialog, OpenDialog };
  Kind kind;
  std::string caption;  // a dialog's: empty
  std::string text;     // a box's text, a dialog's chosen path
};

class AutoAnswerWindowSystem final : public platform::WindowSystem {
 public:
  explicit AutoAnswerWindowSystem(platform::WindowSystem& inner) : inner_(inner) {}

  // The path a save dialog returns; empty makes it a cancel.
  void setSavePath(std::string path) { savePath_ = std::move(path); }
  // Called after each answered prompt, from inside the command that raised it.
  void onPrompt(std::function<void(const AnsweredPrompt&)> callback) {
    onPrompt_ = std::move(callback);
  }
  // Called before the process would end itself, with its exit status.
  void onExit(std::function<void(int)> callback) { onExit_ = std::move(callback); }
  const std::vector<AnsweredPrompt>& log() const { return log_; }

  platform::WindowHandle createWindow(CWnd& wnd, platform::WindowKind kind,
                                      platform::WindowHandle parent,
                                      const CREATESTRUCT& cs) override {
    return inner_.createWindow(wnd, kind, parent, cs);
  }
  void destroyWindow(platform::WindowHandle window) override { inner_.destroyWindow(window); }
  void setWindowText(platform::WindowHandle window, const std::string& text) override {
    inner_.setWindowText(window, text);
  }
  std::string windowText(platform::WindowHandle window) const override {
    return inner_.windowText(window);
  }
  CRect clientRect(platform::WindowHandle window) const override {
    return inner_.clientRect(window);
  }
  void showWindow(platform::WindowHandle window) override { inner_.showWindow(window); }
  void invalidate(platform::WindowHandle window) override { inner_.invalidate(window); }
  void setMenu(platform::WindowHandle frame, CMenu* menu) override { inner_.setMenu(frame, menu); }
  void setAccelerators(platform::WindowHandle frame, const std::vector<ACCEL>& table) override {
    inner_.setAccelerators(frame, table);
  }
  void dragAcceptFiles(platform::WindowHandle frame, bool accept) override {
    inner_.dragAcceptFiles(frame, accept);
  }
  void setWindowIcon(platform::WindowHandle frame,
                     const std::vector<platform::IconImage>& images) override {
    inner_.setWindowIcon(frame, images);
  }
  bool setTimer(platform::WindowHandle window, UINT_PTR id, UINT periodMs) override {
    return inner_.setTimer(window, id, periodMs);
  }
  bool killTimer(platform::WindowHandle window, UINT_PTR id) override {
    return inner_.killTimer(window, id);
  }
  void caretChanged(const platform::CaretState& caret) override { inner_.caretChanged(caret); }
  platform::DrawSurface& beginDraw(platform::WindowHandle window,
                                   platform::DrawKind kind) override {
    return inner_.beginDraw(window, kind);
  }
  void endDraw(platform::DrawSurface& surface) override { inner_.endDraw(surface); }
  int runModalDialog(CDialog& dialog) override { return inner_.runModalDialog(dialog); }
  void endModalDialog(CDialog& dialog, int result) override {
    inner_.endModalDialog(dialog, result);
  }
  int runMessageLoop() override { return inner_.runMessageLoop(); }
  void quitMessageLoop(int exitCode) override { inner_.quitMessageLoop(exitCode); }
  [[noreturn]] void exitProcess(int status) override;

  int messageBox(const platform::MessageBoxRequest& request) override;
  bool runFileDialog(platform::FileDialogRequest& request) override;

 private:
  void record(AnsweredPrompt prompt);

  platform::WindowSystem& inner_;
  std::string savePath_;
  std::function<void(const AnsweredPrompt&)> onPrompt_;
  std::function<void(int)> onExit_;
  std::vector<AnsweredPrompt> log_;
};

}  // namespace soak
