// A whole capture on Windows parts, under Wine: the settings in the
// registry name COM10 (opened through the device namespace) as port A, the
// line helper feeds it a paced stream, and the view on the headless window
// system polls it tick by tick.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "platform/comm/comm_backend.h"
#include "platform/headless/headless_window_system.h"
#include "platform/registry/registry_backend.h"
#include "platform/win32/serial_device.h"
#include "platform/win32/system_registry.h"
#include "res/resource.h"
#include "tests/win32/line_control.h"
#include "tests/win32/raw_registry.h"
#include "view/korvane_view.h"

namespace {

using namespace std::chrono_literals;
constexpr const char* kKeyPath = "SYSTEM\\CurrentControlSet\\Services\\Korvane";

class CaptureOnComPortTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!line.available()) GTEST_SKIP() << "needs the line helper: run through with_pty_line.sh";
    ASSERT_TRUE(removeLocalMachineKey(kKeyPath));
    platform::installRegistryBackend(&registry);
    platform::installCommBackend(&devices);
    headless::system().reset();
    resetProcessState();
    store("Port1", "COM10");
    store("Disable", "1");
    store("POLLTIME", "10");
    ASSERT_TRUE(view.CreateNative(platform::WindowKind::View, nullptr, {}));
  }
  void TearDown() override {
    if (view.m_hWnd != platform::kNoWindow) view.DestroyWindow();
    platform::installCommBackend(nullptr);
    platform::installRegistryBackend(nullptr);
    resetProcessState();
    removeLocalMachineKey(kKeyPath);
  }

  void store(const std::string& name, const std::string& text) {
    platform::RegistryKey key = platform::kNoRegistryKey;
    ASSERT_EQ(registry.createKey(platform::RegistryRoot::LocalMachine, kKeyPath, &key),
              platform::RegistryStatus::Ok);
    const std::string data = text + '\0';
    EXPECT_EQ(registry.setStringValue(key, name, reinterpret_cast<const std::uint8_t*>(data.data()),
                                      static_cast<std::uint32_t>(data.size())),
              platform::RegistryStatus::Ok);
    registry.closeKey(key);
  }
  void tick() { headless::system().fireTimer(view.m_hWnd, CKORVANEView::kPollTimerId); }

  // Every data byte captured so far, in record order.
  static std::vector<std::uint8_t> captured() {
    std::vector<std::uint8_t> bytes;
    for (int slot = 0; slot < monitorState.recordCount; ++slot) {
      const std::uint8_t* record = RecordIndex[slot].record;
      bytes.insert(bytes.end(), record + 10, record + 10 + record[0]);
    }
    return bytes;
  }

  LineControl line;
  platform::win32::SystemRegistry registry;
  platform::win32::SerialDevices devices;
  CKORVANEView view;
};

TEST_F(CaptureOnComPortTest, APacedStreamIsCapturedCompleteAndInOrder) {
  constexpr int kCount = 4000;
  view.OnInitialUpdate();
  ASSERT_TRUE(view.DispatchCommand(ID_CONNECT));
  ASSERT_EQ(monitorState.connected, 1) << headless::system().messageBoxes().size();
  std::thread sender([this] { line.send(kCount, 53, 2); });
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  std::size_t bytes = 0;
  while (bytes < kCount && std::chrono::steady_clock::now() < deadline) {
    tick();
    bytes = captured().size();
    std::this_thread::sleep_for(5ms);
  }
  sender.join();
  EXPECT_EQ(captured(), LineControl::pattern(kCount));
  // Every record is port A's, at most 16 bytes, and labelled with a poll
  // number that never goes down.
  std::string previous = "000000: ";
  for (int slot = 0; slot < monitorState.recordCount; ++slot) {
    const std::uint8_t* record = RecordIndex[slot].record;
    EXPECT_EQ(record[1], 1) << slot;
    EXPECT_LE(record[0], 16) << slot;
    const std::string label(reinterpret_cast<const char*>(record) + 2, 8);
    EXPECT_GE(label, previous) << slot;
    previous = label;
  }
  ASSERT_TRUE(view.DispatchCommand(ID_DISCONNECT));
  EXPECT_EQ(monitorState.connected, 0);
  EXPECT_EQ(monitorState.portHandle[0], platform::kInvalidCommHandle);
}

TEST_F(CaptureOnComPortTest, APortThatDoesNotExistEndsTheProcessSayingWhyAndWhatToDo) {
  store("Port1", "COM9");
  view.OnInitialUpdate();
  try {
    view.DispatchCommand(ID_CONNECT);
    FAIL() << "the process goes on";
  } catch (const headless::ProcessExit& exit) {
    EXPECT_NE(exit.status, 0);
  }
  const auto& boxes = headless::system().messageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Can not Open PORT A");
  EXPECT_EQ(boxes[0].detail.rfind("COM9: ", 0), 0u) << boxes[0].detail;
  EXPECT_NE(boxes[0].detail.find("Device Manager"), std::string::npos) << boxes[0].detail;
  EXPECT_EQ(monitorState.connected, 0);
}

}  // namespace
