// A message box on the console is one line on standard error; the reason in
// its detail was written there by the system already.
#include <gtest/gtest.h>

#include "platform/console/console_window_system.h"

namespace {

struct BoxCase {
  const char* text;
  const char* caption;
  const char* detail;
  const char* printed;
};

TEST(ConsoleMessageBox, PrintsCaptionAndTextOnceWithoutRepeatingTheDetail) {
  const BoxCase cases[] = {
      {"Can not Open PORT A", "Error", "", "rec: Error: Can not Open PORT A\n"},
      {"Can not Open PORT B", "Error", "/dev/ttyUSB1: no such device\nIs the adapter plugged in?",
       "rec: Error: Can not Open PORT B\n"},
      {"Receive Buffer Full", "Error Messge", "", "rec: Error Messge: Receive Buffer Full\n"},
  };
  for (const BoxCase& c : cases) {
    platform::MessageBoxRequest request;
    request.text = c.text;
    request.caption = c.caption;
    request.detail = c.detail;
    EXPECT_EQ(platform::console::ConsoleWindowSystem::formatMessageBox("rec", request), c.printed);
  }
  platform::console::ConsoleWindowSystem console("rec");
  EXPECT_EQ(console.messageBox({}), IDOK) << "nobody is there to answer otherwise";
}

}  // namespace
