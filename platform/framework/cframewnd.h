// The main frame window of a single-document application: its menu bar,
// accelerators, icon and title, the one view in its client area, and the
// routing of commands from the menu and the accelerators.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/framework/cmenu.h"
#include "platform/framework/cwnd.h"
#include "platform/framework/resource_module.h"

class CDocument;
class CView;

class CFrameWnd : public CWnd {
 public:
  // Fills in the creation parameters; a frame returns FALSE to refuse them.
  // The framework's defaults leave position and size to the platform.
  virtual BOOL PreCreateWindow(CREATESTRUCT& cs);

  // Creates the frame window with the menu, accelerators and icon of
  // resourceId and title. FALSE when PreCreateWindow refuses or the
  // platform cannot create the window.
  BOOL LoadFrame(UINT resourceId, const platform::ResourceModule& resources,
                 const std::string& title);

  CMenu* GetMenu() const { return menu_.get(); }
  const std::vector<ACCEL>& GetAccelerators() const { return accelerators_; }
  CView* GetActiveView() const { return activeView_; }
  void SetActiveView(CView* view) { activeView_ = view; }
  CDocument* GetActiveDocument() const;

  // The window title without the document's name.
  const std::string& GetTitle() const { return title_; }
  // Captions the window "document - title", or the title alone without a document.
  virtual void OnUpdateFrameTitle();

  // Routes a command: view, then document, then this frame, then the
  // application; the first that has an entry for the id handles it.
  BOOL OnCmdMsg(UINT id) override;

  // Looks a key up in the accelerator table (modifiers: FSHIFT, FCONTROL,
  // FALT) and sends its command. TRUE when the key is in the table, whether
  // or not a handler took the command.
  BOOL TranslateAccelerator(UINT virtualKey, BYTE modifiers);

 protected:
  // The frame's own command entries; none in the framework's frame.
  virtual BOOL OnFrameCommand(UINT /*id*/) { return FALSE; }
  // The framework's update of a popup before it shows. Menu items carry
  // their own enabled state here, so there is nothing to update.
  void OnInitMenuPopup(CMenu* popup, UINT index, BOOL sysMenu) override;
  // A file dropped on the frame opens as the document.
  void OnDropFiles(const std::string& path) override;
  // Closing the main window ends the message loop.
  void OnClose() override;

 private:
  std::unique_ptr<CMenu> menu_;
  std::vector<ACCEL> accelerators_;
  std::string title_;
  CView* activeView_ = nullptr;
};
