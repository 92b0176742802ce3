#include <gtest/gtest.h>

#include <filesystem>

#include "platform/framework/cfiledialog.h"
#include "res/resource.h"
#include "tests/files/capture_file_fixture.h"

namespace {

using FileDialogTest = CaptureFileTest;

TEST_F(FileDialogTest, BothCommandsAskWithTheSameSettingsAndNoParent) {
  start();
  cancelDialogs();
  command(ID_READ_FILE);
  command(ID_SAVE_FILE);
  ASSERT_EQ(ws.fileDialogs().size(), 2u);
  EXPECT_TRUE(ws.fileDialogs()[0].open);
  EXPECT_FALSE(ws.fileDialogs()[1].open);
  for (const auto& request : ws.fileDialogs()) {
    EXPECT_EQ(request.defaultExtension, "");
    EXPECT_EQ(request.initialFileName, "*.kvn");
    EXPECT_EQ(request.flags, 0x80000u);
    EXPECT_EQ(request.filter, "(*.kvn) | *.log |(*.*) | *.*||");
    EXPECT_EQ(request.owner, frame().GetSafeHwnd()) << "the main window owns it";
  }
}

TEST_F(FileDialogTest, AConfirmedChoiceMakesItsFolderCurrentAndGivesTheBareName) {
  std::filesystem::create_directory(folder.file("sub"));
  const std::string chosen = folder.file("sub/run 1.kvn");
  choose(chosen);
  CFileDialog dialog(TRUE, nullptr, "*.kvn", OFN_EXPLORER, "(*.kvn) | *.log |(*.*) | *.*||");
  ASSERT_EQ(dialog.DoModal(), IDOK);
  EXPECT_EQ(dialog.GetPathName(), chosen);
  EXPECT_EQ(dialog.GetFileName(), "run 1.kvn");
  EXPECT_TRUE(std::filesystem::equivalent(std::filesystem::current_path(), folder.file("sub")));
  ASSERT_EQ(ws.fileDialogs().size(), 1u);
  EXPECT_EQ(ws.fileDialogs()[0].owner, platform::kNoWindow) << "no application, no owner";
}

TEST_F(FileDialogTest, CancellingOrChoosingNothingIsNoChoice) {
  const auto before = std::filesystem::current_path();
  cancelDialogs();
  CFileDialog cancelled(FALSE);
  EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
  EXPECT_EQ(cancelled.GetPathName(), "");
  choose("");
  CFileDialog empty(FALSE);
  EXPECT_EQ(empty.DoModal(), IDCANCEL);
  EXPECT_EQ(std::filesystem::current_path(), before);
}

}  // namespace
