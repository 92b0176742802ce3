// The monitor on a line that ser2net serves: port A named "lab1" in Setup,
// the ports folder's lab1 holding the line's address, settings in a hive
// file, the view on the headless window system, and the capture saved to a
// file at the end.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <memory>
#include <thread>

#include "capture/capture_files.h"
#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "platform/comm/comm_backend.h"
#include "platform/headless/headless_window_system.h"
#include "platform/network/port_router.h"
#include "platform/network/remote_lines.h"
#include "platform/posix/hive_file_registry.h"
#include "platform/posix/serial_device.h"
#include "platform/registry/registry_backend.h"
#include "res/resource.h"
#include "tests/network/ser2net_server.h"
#include "tests/support/stored_setting.h"
#include "view/korvane_view.h"

namespace {

using namespace network_test;

class MonitorOnRemoteLineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(line.ok()) << "no pseudo-terminals here";
    char pattern[] = "/tmp/korvane-lab1-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
    fs::create_directory(folder / "ports");
    server =
        std::make_unique<Ser2netServer>(line.slavePath(), Ser2netServer::Kind::kComPort, folder);
    ASSERT_TRUE(server->start()) << "ser2net did not start (scripts/install-deps.sh installs it)";
    address = "rfc2217://127.0.0.1:" + std::to_string(server->port());
    std::ofstream(folder / "ports" / "lab1") << address << "\n";

    hive = std::make_unique<platform::posix::HiveFileRegistry>((folder / "registry.reg").string());
    serialDevices = std::make_unique<platform::posix::SerialDevices>((folder / "ports").string());
    ports = std::make_unique<platform::network::PortRouter>(*serialDevices, remoteLines,
                                                            (folder / "ports").string());
    platform::installRegistryBackend(hive.get());
    platform::installCommBackend(ports.get());
    headless::system().reset();
    resetProcessState();
    for (const auto& [name, text] : {std::pair{"Port1", "lab1"},
                                     {"BaudRate1", "57600"},
                                     {"DataBit1", "8"},
                                     {"Parity1", "EVEN"},
                                     {"StopBit1", "2"},
                                     {"Disable", "1"},
                                     {"POLLTIME", "10"}}) {
      storeSetting(name, text);
    }
    ASSERT_TRUE(view.CreateNative(platform::WindowKind::View, nullptr, {}));
  }
  void TearDown() override {
    view.DestroyWindow();
    platform::installCommBackend(nullptr);
    platform::installRegistryBackend(nullptr);
    ports.reset();
    serialDevices.reset();
    hive.reset();
    server.reset();
    resetProcessState();
    fs::remove_all(folder);
  }

  void storeSetting(const std::string& name, const std::string& text) {
    test_support::storeSetting(*hive, name, text);
  }
  void tick() {
    headless::system().fireTimer(view.m_hWnd, CKORVANEView::kPollTimerId);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::size_t capturedBytes() const {
    std::size_t total = 0;
    for (int i = 0; i < monitorState.recordCount; ++i) total += RecordIndex[i].record[0];
    return total;
  }
  // Ticks until the capture holds count bytes, for at most 20 s.
  void tickUntilCaptured(std::size_t count) {
    for (int poll = 0; poll < 2000 && capturedBytes() < count; ++poll) tick();
  }

  PtyMaster line;
  fs::path folder;
  std::unique_ptr<Ser2netServer> server;
  std::string address;
  std::unique_ptr<platform::posix::HiveFileRegistry> hive;
  std::unique_ptr<platform::posix::SerialDevices> serialDevices;
  platform::network::RemoteLines remoteLines;
  std::unique_ptr<platform::network::PortRouter> ports;
  CKORVANEView view;
};

TEST_F(MonitorOnRemoteLineTest, Lab1CapturesEveryByteAcrossAServerRestart) {
  view.OnInitialUpdate();
  testing::internal::CaptureStderr();
  ASSERT_TRUE(view.DispatchCommand(ID_CONNECT));
  ASSERT_EQ(monitorState.connected, 1) << testing::internal::GetCapturedStderr();
  const termios set = line.settings();
  EXPECT_EQ(cfgetospeed(&set), B57600);
  EXPECT_NE(set.c_cflag & CSTOPB, 0u) << "2 stop bits";

  const auto sent = everyByteValueWithRunsOf0xFF(100 * 1024);
  const std::vector<std::uint8_t> before(sent.begin(), sent.begin() + 60 * 1024);
  const std::vector<std::uint8_t> after(sent.begin() + 60 * 1024, sent.end());
  ASSERT_TRUE(line.send(before));
  tickUntilCaptured(before.size());
  ASSERT_EQ(capturedBytes(), before.size());

  server->stop();
  const auto away = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (std::chrono::steady_clock::now() < away) tick();
  ASSERT_TRUE(server->start());
  for (int poll = 0; poll < 2000 && monitorState.portRun[0].deviceAway != 0; ++poll) tick();
  ASSERT_EQ(monitorState.portRun[0].deviceAway, 0) << "back within 20 s";
  ASSERT_TRUE(line.send(after));
  tickUntilCaptured(sent.size());
  ASSERT_TRUE(view.DispatchCommand(ID_DISCONNECT));
  const std::string told = testing::internal::GetCapturedStderr();

  const fs::path saved = folder / "lab1.kvn";
  ASSERT_EQ(saveCaptureToFile(saved.string()).result, CaptureSaveResult::Saved);
  std::ifstream file(saved, std::ios::binary);
  const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
  std::vector<std::uint8_t> captured;
  for (std::size_t at = 0; at + 10 <= bytes.size(); at += 10 + bytes[at]) {
    ASSERT_EQ(bytes[at + 1], 1) << "port A's record";
    captured.insert(captured.end(), bytes.begin() + static_cast<long>(at) + 10,
                    bytes.begin() + static_cast<long>(at) + 10 + bytes[at]);
  }
  EXPECT_EQ(captured, sent) << "every byte value and the runs of 0xFF, before and after";

  const std::string heading = "PORT A lab1 -> " + address + ": ";
  EXPECT_NE(told.find(heading + "device lost at poll "), std::string::npos) << told;
  EXPECT_NE(told.find(", capture goes on"), std::string::npos) << told;
  EXPECT_NE(told.find(heading + "102,400 bytes, 0 parity, 0 framing, 0 overrun errors"),
            std::string::npos)
      << told;
  EXPECT_EQ(headless::system().messageBoxes().size(), 0u);
}

TEST_F(MonitorOnRemoteLineTest, AServerThatIsNotThereEndsTheConnectWithTheReason) {
  server->stop();
  view.OnInitialUpdate();
  testing::internal::CaptureStderr();
  try {
    view.DispatchCommand(ID_CONNECT);
    FAIL() << "the process goes on";
  } catch (const headless::ProcessExit&) {
  }
  const std::string told = testing::internal::GetCapturedStderr();
  const auto& boxes = headless::system().messageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Can not Open PORT A");
  const std::string port = std::to_string(server->port());
  EXPECT_NE(
      told.find("Can not Open PORT A: lab1 -> " + address + ": cannot connect to 127.0.0.1 port " +
                port + ": Connection refused (error 111)"),
      std::string::npos)
      << told;
}

}  // namespace
