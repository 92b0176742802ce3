// The main window of a frame: the menu bar built from the frame's menu
// model, the accelerator table as window shortcuts, dropped files, and the
// end of the message loop when it closes. No tool bar, no status bar.
#pragma once

#include <QMainWindow>
#include <vector>

#include "platform/framework/wintypes.h"

class CWnd;
class CMenu;
class QAction;
class QMenu;
class QShortcut;

namespace platform::qt {

class QtFrameWindow final : public QMainWindow {
 public:
  explicit QtFrameWindow(CWnd& wnd);

  void detach() { wnd_ = nullptr; }

  // Rebuilds the menu bar from the model, which stays owned by the caller.
  void setMenuModel(CMenu* menu);
  void setAccelerators(const std::vector<ACCEL>& table);
  void setAcceptFiles(bool accept) { setAcceptDrops(accept); }

  // The action of a command id on the bar or in a popup, or nullptr.
  QAction* actionForCommand(UINT id) const;
  int shortcutCount() const { return static_cast<int>(shortcuts_.size()); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  struct CommandAction {
    QAction* action;
    UINT id;
  };

  void fillMenu(QMenu& menu, CMenu& model);
  void addCommand(QAction* action, UINT id, UINT state);
  void refreshEnabledStates();
  void dispatchCommand(UINT id);

  CWnd* wnd_;
  CMenu* model_ = nullptr;
  std::vector<CommandAction> commands_;
  std::vector<QShortcut*> shortcuts_;
};

}  // namespace platform::qt
