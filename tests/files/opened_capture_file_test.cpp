#include "app/opened_capture_file.h"

#include <gtest/gtest.h>

#include "capture/capture_files.h"
#include "tests/files/capture_file_fixture.h"

namespace {

using OpenedCaptureFileTest = CaptureFileTest;

TEST_F(OpenedCaptureFileTest, AFileOnTheCommandLineIsShownAsReadFileShowsIt) {
  const Bytes content = fullRecords(5);
  start({folder.write("given.kvn", content)});
  EXPECT_EQ(monitorState.recordCount, 5);
  EXPECT_EQ(storeBytes(), content);
  EXPECT_EQ(pollPeriod(), 10u);
  EXPECT_EQ(monitorState.redrawPending, 1);
  EXPECT_TRUE(ws.messageBoxes().empty());
}

TEST_F(OpenedCaptureFileTest, ANamedFileThatCannotBeOpenedIsReportedByTheView) {
  start();
  appendRecords(3);
  const MonitorState before = monitorState;
  EXPECT_FALSE(loadCaptureFileIntoView(view(), folder.file("absent.kvn")));
  ASSERT_EQ(ws.messageBoxes().size(), 1u);
  EXPECT_EQ(ws.messageBoxes()[0].text, "Can not Open file");
  EXPECT_EQ(ws.messageBoxes()[0].owner, view().GetSafeHwnd());
  EXPECT_TRUE(sameState(monitorState, before));

  const std::string path = folder.write("dropped.kvn", fullRecords(2));
  showOpenedCaptureFile(view(), path);
  EXPECT_EQ(monitorState.recordCount, 2);
  EXPECT_EQ(ws.messageBoxes().size(), 1u);
}

}  // namespace
