// Small documents, frames, views and resources for exercising the
// single-document framework without the monitor's own classes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/framework/cdocument.h"
#include "platform/framework/cframewnd.h"
#include "platform/framework/cview.h"
#include "platform/framework/cwinapp.h"
#include "platform/framework/resource_module.h"

namespace shell_test {

inline constexpr UINT kResourceId = 128;
inline constexpr UINT kSharedCommand = 40001;  // every target has an entry
inline constexpr UINT kDocFrameAppCommand = 40002;
inline constexpr UINT kFrameAppCommand = 40003;
inline constexpr UINT kAppCommand = 40004;
inline constexpr UINT kNobodysCommand = 40005;

// Who handled the last command, in handling order.
inline std::vector<std::string>& handledBy() {
  static std::vector<std::string> log;
  return log;
}

class TestResources final : public platform::ResourceModule {
 public:
  std::string templateString =
      "MONITOR\n\nMON\nMON Files (*.mon)\n.mon\nMon.Document\nMON Document";
  std::unique_ptr<CMenu> loadMenu(UINT id) const override {
    if (id != kResourceId) return nullptr;
    auto popup = std::make_unique<CMenu>();
    popup->AppendItem("Item", kSharedCommand);
    auto bar = std::make_unique<CMenu>();
    bar->AppendPopup("Popup", std::move(popup));
    return bar;
  }
  std::vector<ACCEL> loadAccelerators(UINT id) const override {
    if (id != kResourceId) return {};
    return {{FVIRTKEY | FCONTROL, 'A', kSharedCommand},
            {FVIRTKEY | FCONTROL | FSHIFT, 'A', kAppCommand},
            {FVIRTKEY, 'Q', kNobodysCommand}};
  }
  std::string loadString(UINT id) const override {
    return id == kResourceId ? templateString : std::string();
  }
  std::vector<platform::IconImage> loadIcon(UINT) const override { return {}; }
};

class TestDoc : public CDocument {
 public:
  int serializeCalls = 0;
  void Serialize(CArchive& ar) override {
    ++serializeCalls;
    EXPECT_TRUE(ar.IsLoading());
  }
  BOOL OnCmdMsg(UINT id) override {
    if (id == kSharedCommand || id == kDocFrameAppCommand) {
      handledBy().push_back("document");
      return TRUE;
    }
    return CDocument::OnCmdMsg(id);
  }
};

class TestFrame : public CFrameWnd {
 public:
  bool refuseCreation = false;
  BOOL PreCreateWindow(CREATESTRUCT& cs) override {
    if (!CFrameWnd::PreCreateWindow(cs)) return FALSE;
    cs.cx = 300;
    cs.cy = 200;
    return refuseCreation ? FALSE : TRUE;
  }

 protected:
  BOOL OnFrameCommand(UINT id) override {
    if (id == kSharedCommand || id == kDocFrameAppCommand || id == kFrameAppCommand) {
      handledBy().push_back("frame");
      return TRUE;
    }
    return FALSE;
  }
};

class TestView : public CView {
 public:
  int initialUpdates = 0;
  void OnInitialUpdate() override {
    CView::OnInitialUpdate();
    ++initialUpdates;
  }
  BOOL OnCmdMsg(UINT id) override {
    if (id == kSharedCommand) {
      handledBy().push_back("view");
      return TRUE;
    }
    return CView::OnCmdMsg(id);
  }
};

class TestApp : public CWinApp {
 public:
  explicit TestApp(const platform::ResourceModule& resources) : CWinApp("Monitor", resources) {}
  bool refuseFrame = false;
  BOOL InitInstance() override {
    AddDocTemplate(std::make_unique<CSingleDocTemplate>(
        kResourceId, GetResources(), [] { return std::make_unique<TestDoc>(); },
        [this] {
          auto frame = std::make_unique<TestFrame>();
          frame->refuseCreation = refuseFrame;
          return frame;
        },
        [] { return std::make_unique<TestView>(); }));
    CCommandLineInfo info;
    ParseCommandLine(info);
    if (!ProcessShellCommand(info)) return FALSE;
    m_pMainWnd->ShowWindow();
    return TRUE;
  }
  BOOL OnCmdMsg(UINT id) override {
    if (id == kSharedCommand || id == kDocFrameAppCommand || id == kFrameAppCommand ||
        id == kAppCommand) {
      handledBy().push_back("application");
      return TRUE;
    }
    if (id == ID_FILE_NEW) {
      OnFileNew();
      return TRUE;
    }
    if (id == ID_FILE_OPEN) {
      OnFileOpen();
      return TRUE;
    }
    return FALSE;
  }
  TestDoc* doc() const { return static_cast<TestDoc*>(GetDocTemplate()->GetDocument()); }
  TestView* view() const { return static_cast<TestView*>(GetDocTemplate()->GetView()); }
  CFrameWnd* frame() const { return GetDocTemplate()->GetFrame(); }
};

}  // namespace shell_test
