#include <gtest/gtest.h>

#include <filesystem>

#include "platform/framework/open_failure_reason.h"
#include "platform/headless/headless_window_system.h"
#include "tests/app/shell_test_support.h"
#include "tests/app/temp_folder.h"

using namespace shell_test;

namespace {

class SingleDocFrameworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ws.reset();
    resetCaretForTests();
    handledBy().clear();
  }

  void start(std::vector<std::string> arguments = {}) {
    app = std::make_unique<TestApp>(resources);
    app->SetCommandLine(std::move(arguments));
    ASSERT_TRUE(app->InitInstance());
  }
  const headless::WindowRecord& frameRecord() const {
    return *ws.window(app->frame()->GetSafeHwnd());
  }

  headless::HeadlessWindowSystem& ws = headless::system();
  TestResources resources;
  std::unique_ptr<TestApp> app;
  TempFolder folder;
};

TEST_F(SingleDocFrameworkTest, TemplateStringGivesItsSevenFieldsAndTheOpenFilter) {
  CSingleDocTemplate docTemplate(kResourceId, resources, nullptr, nullptr, nullptr);
  std::string value;
  EXPECT_TRUE(docTemplate.GetDocString(value, CSingleDocTemplate::windowTitle));
  EXPECT_EQ(value, "MONITOR");
  EXPECT_FALSE(docTemplate.GetDocString(value, CSingleDocTemplate::docName));
  EXPECT_EQ(value, "");
  EXPECT_TRUE(docTemplate.GetDocString(value, CSingleDocTemplate::filterExt));
  EXPECT_EQ(value, ".mon");
  EXPECT_TRUE(docTemplate.GetDocString(value, CSingleDocTemplate::regFileTypeName));
  EXPECT_EQ(value, "MON Document");
  EXPECT_EQ(docTemplate.GetFileDialogFilter(), "MON Files (*.mon)|*.mon||");

  resources.templateString = "ONLY";
  CSingleDocTemplate shortTemplate(kResourceId, resources, nullptr, nullptr, nullptr);
  EXPECT_FALSE(shortTemplate.GetDocString(value, CSingleDocTemplate::regFileTypeName));
  EXPECT_EQ(shortTemplate.GetFileDialogFilter(), "");
}

TEST_F(SingleDocFrameworkTest, StartUpCreatesOneUntitledDocumentFrameAndView) {
  start();
  ASSERT_NE(app->frame(), nullptr);
  EXPECT_EQ(app->m_pMainWnd, app->frame());
  EXPECT_EQ(AfxGetApp(), app.get());
  EXPECT_EQ(app->view()->GetDocument(), app->doc());
  EXPECT_EQ(app->frame()->GetActiveView(), app->view());
  EXPECT_EQ(app->view()->initialUpdates, 1);
  EXPECT_EQ(app->doc()->GetTitle(), "Untitled");
  EXPECT_EQ(frameRecord().text, "Untitled - MONITOR");
  EXPECT_EQ(frameRecord().createParams.cx, 300);
  EXPECT_EQ(frameRecord().createParams.cy, 200);
  EXPECT_TRUE(frameRecord().visible);
  ASSERT_NE(frameRecord().menu, nullptr);
  EXPECT_EQ(frameRecord().menu->GetMenuString(0), "Popup");
  EXPECT_EQ(frameRecord().accelerators.size(), 3u);
  const auto* viewRecord = ws.window(app->view()->GetSafeHwnd());
  ASSERT_NE(viewRecord, nullptr);
  EXPECT_EQ(viewRecord->parent, app->frame()->GetSafeHwnd());
}

TEST_F(SingleDocFrameworkTest, NewReusesTheObjectsAndGivesTheViewItsInitialUpdateAgain) {
  start();
  CDocument* doc = app->doc();
  CView* view = app->view();
  app->frame()->DispatchCommand(ID_FILE_NEW);
  app->frame()->DispatchCommand(ID_FILE_NEW);
  EXPECT_EQ(app->doc(), doc);
  EXPECT_EQ(app->view(), view);
  EXPECT_EQ(app->view()->initialUpdates, 3);
  EXPECT_EQ(frameRecord().text, "Untitled - MONITOR");
}

TEST_F(SingleDocFrameworkTest, CommandsGoToViewThenDocumentThenFrameThenApplication) {
  start();
  const auto route = [this](UINT id) {
    handledBy().clear();
    const BOOL handled = app->frame()->DispatchCommand(id);
    return std::make_pair(handled, handledBy());
  };
  using Log = std::vector<std::string>;
  EXPECT_EQ(route(kSharedCommand), std::make_pair(TRUE, Log{"view"}));
  EXPECT_EQ(route(kDocFrameAppCommand), std::make_pair(TRUE, Log{"document"}));
  EXPECT_EQ(route(kFrameAppCommand), std::make_pair(TRUE, Log{"frame"}));
  EXPECT_EQ(route(kAppCommand), std::make_pair(TRUE, Log{"application"}));
  EXPECT_EQ(route(kNobodysCommand), std::make_pair(FALSE, Log{}));
}

TEST_F(SingleDocFrameworkTest, AcceleratorsSendTheirCommandWhenEveryModifierMatches) {
  start();
  CFrameWnd& frame = *app->frame();
  EXPECT_TRUE(frame.TranslateAccelerator('A', FCONTROL));
  EXPECT_EQ(handledBy(), std::vector<std::string>{"view"});
  handledBy().clear();
  EXPECT_TRUE(frame.TranslateAccelerator('A', FCONTROL | FSHIFT));
  EXPECT_EQ(handledBy(), std::vector<std::string>{"application"});
  handledBy().clear();
  EXPECT_FALSE(frame.TranslateAccelerator('A', 0)) << "a plain key is not Ctrl+A";
  EXPECT_FALSE(frame.TranslateAccelerator('A', FALT | FCONTROL));
  EXPECT_TRUE(frame.TranslateAccelerator('Q', 0)) << "a key in the table with no handler";
  EXPECT_TRUE(handledBy().empty());
}

TEST_F(SingleDocFrameworkTest, OpeningAFileTitlesTheFrameWithItsNameWithoutReadingIntoTheDocument) {
  start();
  const std::string path = folder.write("trace.mon",
                                        "\x03\x01"
                                        "000001: abc");
  ASSERT_NE(app->OpenDocumentFile(path), nullptr);
  EXPECT_EQ(app->doc()->GetPathName(), path);
  EXPECT_EQ(app->doc()->GetTitle(), "trace.mon");
  EXPECT_EQ(frameRecord().text, "trace.mon - MONITOR");
  EXPECT_EQ(app->view()->initialUpdates, 2);
  EXPECT_EQ(app->doc()->serializeCalls, 1);

  app->frame()->DispatchCommand(ID_FILE_NEW);
  EXPECT_EQ(frameRecord().text, "Untitled - MONITOR");
  EXPECT_EQ(app->doc()->GetPathName(), "");
}

TEST_F(SingleDocFrameworkTest, AFileThatCannotBeOpenedLeavesTheDocumentAsItWas) {
  start();
  const std::string path = folder.write("first.mon", "x");
  ASSERT_NE(app->OpenDocumentFile(path), nullptr);
  for (const std::string& bad : {folder.file("missing.mon"), folder.path()}) {
    EXPECT_EQ(app->OpenDocumentFile(bad), nullptr) << bad;
  }
  EXPECT_EQ(app->doc()->GetPathName(), path);
  EXPECT_EQ(frameRecord().text, "first.mon - MONITOR");
  EXPECT_EQ(app->view()->initialUpdates, 2) << "no initial update for a failed open";
}

TEST_F(SingleDocFrameworkTest, OpenAsksForAFileWithTheTemplatesFilterAndOpensTheChoice) {
  start();
  const std::string path = folder.write("chosen.mon", "");
  ws.setFileDialogHandler([&](platform::FileDialogRequest& request) {
    request.chosenPath = path;
    return true;
  });
  app->frame()->DispatchCommand(ID_FILE_OPEN);
  ASSERT_EQ(ws.fileDialogs().size(), 1u);
  EXPECT_TRUE(ws.fileDialogs()[0].open);
  EXPECT_EQ(ws.fileDialogs()[0].filter, "MON Files (*.mon)|*.mon||");
  EXPECT_EQ(ws.fileDialogs()[0].owner, app->frame()->GetSafeHwnd());
  EXPECT_EQ(frameRecord().text, "chosen.mon - MONITOR");
  EXPECT_EQ(app->view()->initialUpdates, 2);

  ws.setFileDialogHandler([](platform::FileDialogRequest&) { return false; });
  app->frame()->DispatchCommand(ID_FILE_OPEN);
  EXPECT_EQ(app->view()->initialUpdates, 2) << "a cancelled dialog opens nothing";
  EXPECT_TRUE(ws.messageBoxes().empty());
}

TEST_F(SingleDocFrameworkTest, AnOpenThatFailsIsReportedToTheUser) {
  start();
  ws.setFileDialogHandler([&](platform::FileDialogRequest& request) {
    request.chosenPath = folder.file("gone.mon");
    return true;
  });
  app->frame()->DispatchCommand(ID_FILE_OPEN);
  ASSERT_EQ(ws.messageBoxes().size(), 1u);
  EXPECT_NE(ws.messageBoxes()[0].text.find("gone.mon"), std::string::npos);
  EXPECT_EQ(ws.messageBoxes()[0].owner, app->frame()->GetSafeHwnd());

  app->frame()->DispatchDropFiles(folder.file("also-gone.mon"));
  EXPECT_EQ(ws.messageBoxes().size(), 2u);
  EXPECT_EQ(frameRecord().text, "Untitled - MONITOR");
}

TEST_F(SingleDocFrameworkTest, ADroppedFileOpensAsTheDocument) {
  start();
  const std::string path = folder.write("dropped.mon", "");
  app->frame()->DispatchDropFiles(path);
  EXPECT_EQ(frameRecord().text, "dropped.mon - MONITOR");
  EXPECT_EQ(app->view()->initialUpdates, 2);
}

TEST_F(SingleDocFrameworkTest, SaveNeverWritesTheFileTheDocumentCameFrom) {
  start();
  const std::string path = folder.write("keep.mon", "capture bytes");
  const auto before = std::filesystem::last_write_time(path);
  ASSERT_NE(app->OpenDocumentFile(path), nullptr);
  CDocument plain;  // the framework's own document, as a document without a handler of its own
  EXPECT_TRUE(plain.OnCmdMsg(ID_FILE_SAVE));
  EXPECT_TRUE(app->frame()->DispatchCommand(ID_FILE_SAVE));
  EXPECT_EQ(TempFolder::read(path), "capture bytes");
  EXPECT_EQ(std::filesystem::last_write_time(path), before);
  EXPECT_TRUE(ws.fileDialogs().empty());
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.path()),
                          std::filesystem::directory_iterator()),
            1);
}

TEST_F(SingleDocFrameworkTest, CommandLineNamesOneOptionalFile) {
  const auto parse = [this](std::vector<std::string> arguments) {
    TestApp parser(resources);
    parser.SetCommandLine(std::move(arguments));
    CCommandLineInfo info;
    parser.ParseCommandLine(info);
    return std::make_pair(info.m_nShellCommand, info.m_strFileName);
  };
  using Info = std::pair<CCommandLineInfo::ShellCommand, std::string>;
  EXPECT_EQ(parse({}), (Info{CCommandLineInfo::FileNew, ""}));
  EXPECT_EQ(parse({"a.kvn"}), (Info{CCommandLineInfo::FileOpen, "a.kvn"}));
  EXPECT_EQ(parse({"-x", "a.kvn", "b.kvn"}), (Info{CCommandLineInfo::FileOpen, "a.kvn"}));
  EXPECT_EQ(parse({"--", "-dash.kvn"}), (Info{CCommandLineInfo::FileOpen, "-dash.kvn"}));
  EXPECT_EQ(parse({"/abs/path.kvn"}), (Info{CCommandLineInfo::FileOpen, "/abs/path.kvn"}));
  EXPECT_EQ(parse({"-"}), (Info{CCommandLineInfo::FileOpen, "-"}));
}

TEST_F(SingleDocFrameworkTest, ACommandLineFileThatCannotBeOpenedEndsStartUpWithoutAWindow) {
  app = std::make_unique<TestApp>(resources);
  app->SetCommandLine({folder.file("missing.mon")});
  EXPECT_FALSE(app->InitInstance());
  EXPECT_EQ(app->frame(), nullptr);
  EXPECT_EQ(app->m_pMainWnd, nullptr);
  EXPECT_EQ(ws.window(1), nullptr) << "the frame created for it is gone again";
  // A program started from a file manager has no console: the failure is
  // told in a box of its own, with the file and the reason.
  ASSERT_EQ(ws.messageBoxes().size(), 1u);
  const platform::MessageBoxRequest& box = ws.messageBoxes()[0];
  EXPECT_EQ(box.owner, platform::kNoWindow);
  EXPECT_EQ(box.text, "Cannot open " + folder.file("missing.mon"));
  EXPECT_EQ(box.caption, "Monitor");
  EXPECT_EQ(box.detail, "No such file or directory");
}

TEST(OpenFailureReason, NamesWhatIsWrongWithThePath) {
  TempFolder folder;
  const std::string readable = folder.write("capture.kvn", "x");
  std::filesystem::create_directory(folder.file("a-folder.kvn"));
  struct Case {
    std::string path;
    std::string reason;
  };
  const Case cases[] = {
      {folder.file("missing.kvn"), "No such file or directory"},
      {folder.file("missing/below.kvn"), "No such file or directory"},
      {folder.file("a-folder.kvn"), "it is a folder, not a file"},
      {readable, ""},
#ifndef _WIN32
      {"/dev/null", "it is not a regular file (a device, a pipe or a socket)"},
#endif
  };
  for (const Case& c : cases) EXPECT_EQ(openFailureReason(c.path), c.reason) << c.path;
}

TEST_F(SingleDocFrameworkTest, ACommandLineFileOpensAsTheFirstDocument) {
  const std::string path = folder.write("start.mon", "");
  start({path});
  EXPECT_EQ(frameRecord().text, "start.mon - MONITOR");
  EXPECT_EQ(app->view()->initialUpdates, 1);
}

TEST_F(SingleDocFrameworkTest, AFrameThatRefusesItsParametersEndsStartUp) {
  app = std::make_unique<TestApp>(resources);
  app->refuseFrame = true;
  EXPECT_FALSE(app->InitInstance());
  EXPECT_EQ(app->m_pMainWnd, nullptr);
}

TEST_F(SingleDocFrameworkTest, EntryPointRunsTheLoopOnlyAfterASuccessfulStart) {
  app = std::make_unique<TestApp>(resources);
  std::string program = "monitor";
  std::string missing = folder.file("missing.mon");
  char* failing[] = {program.data(), missing.data()};
  EXPECT_EQ(AfxWinMain(2, failing), 1);

  ws.reset();
  char* plain[] = {program.data()};
  ws.quitMessageLoop(7);  // the loop ends with the code it was quit with
  EXPECT_EQ(AfxWinMain(1, plain), 7);
  EXPECT_EQ(app->frame(), nullptr) << "the window is closed before the entry point returns";
}

TEST_F(SingleDocFrameworkTest, ClosingTheMainWindowEndsTheMessageLoop) {
  start();
  EXPECT_FALSE(ws.quitCode().has_value());
  app->frame()->DispatchClose();
  EXPECT_EQ(ws.quitCode(), 0);
}

TEST_F(SingleDocFrameworkTest, ThereIsNoApplicationWithoutAnApplicationObject) {
  app.reset();
  EXPECT_EQ(AfxGetApp(), nullptr);
  char program[] = "monitor";
  char* argv[] = {program};
  EXPECT_EQ(AfxWinMain(1, argv), 1);
}

}  // namespace
