// A whole capture on real parts: two pseudo-terminals as the ports through
// the termios backend, the settings in a hive file named by
// KORVANE_REGISTRY, and the view on the headless window system.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "platform/comm/comm_backend.h"
#include "platform/headless/dialog_driver.h"
#include "platform/headless/headless_window_system.h"
#include "platform/posix/config_paths.h"
#include "platform/posix/hive_file_registry.h"
#include "platform/posix/line_speed.h"
#include "platform/posix/serial_device.h"
#include "platform/registry/registry_backend.h"
#include "res/resource.h"
#include "res/setup_dialog_ids.h"
#include "setup/setup_dlg.h"
#include "tests/support/stored_setting.h"
#include "view/korvane_view.h"

namespace {

namespace fs = std::filesystem;

struct PseudoTerminal {
  int master = -1;
  int slave = -1;
  std::string portName;  // "pts/N", as the settings keep it

  bool open() {
    char path[64] = {};
    if (openpty(&master, &slave, path, nullptr, nullptr) != 0) return false;
    portName = std::string(path).substr(std::string("/dev/").size());
    return true;
  }
  void close() {
    if (master >= 0) ::close(master);
    if (slave >= 0) ::close(slave);
    master = slave = -1;
  }
  // Writes into the line and waits until the port side has it queued.
  void send(const std::vector<std::uint8_t>& bytes) const {
    ASSERT_EQ(::write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    pollfd ready{slave, POLLIN, 0};
    ASSERT_EQ(::poll(&ready, 1, 2000), 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
};

std::vector<std::uint8_t> run(int count, std::uint8_t first) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
  return bytes;
}

class CaptureEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!lineA.open() || !lineB.open()) GTEST_SKIP() << "no pseudo-terminals here";
    char pattern[] = "/tmp/korvane-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
    fs::create_directory(folder / "ports");
    setenv("KORVANE_REGISTRY", (folder / "registry.reg").c_str(), 1);
    hive = std::make_unique<platform::posix::HiveFileRegistry>(platform::posix::hiveFilePath());
    devices = std::make_unique<platform::posix::SerialDevices>((folder / "ports").string());
    platform::installRegistryBackend(hive.get());
    platform::installCommBackend(devices.get());
    headless::system().reset();
    resetProcessState();
    storeSetting("Port1", lineA.portName);
    storeSetting("Port2", lineB.portName);
    storeSetting("POLLTIME", "10");
    ASSERT_TRUE(view.CreateNative(platform::WindowKind::View, nullptr, {}));
  }
  void TearDown() override {
    view.DestroyWindow();
    platform::installCommBackend(nullptr);
    platform::installRegistryBackend(nullptr);
    devices.reset();
    hive.reset();
    resetProcessState();
    unsetenv("KORVANE_REGISTRY");
    lineA.close();
    lineB.close();
    if (!folder.empty()) fs::remove_all(folder);
  }

  void storeSetting(const std::string& name, const std::string& text) {
    test_support::storeSetting(*hive, name, text);
  }
  void tick() { headless::system().fireTimer(view.m_hWnd, CKORVANEView::kPollTimerId); }

  // Opens Setup as the menu command does, with body acting as the user.
  int runSetup(const std::function<void(headless::DialogDriver&)>& body) {
    headless::system().setDialogHandler([&](CDialog& shown) {
      headless::DialogDriver driver(shown);
      body(driver);
    });
    CSetupDlg dlg(nullptr);
    return dlg.DoModal();
  }
  // A value's text as the settings file holds it, read by a new reader of the file.
  std::string storedText(const std::string& name) const {
    platform::posix::HiveFileRegistry file(platform::posix::hiveFilePath());
    platform::RegistryKey key = platform::kNoRegistryKey;
    if (file.openKeyForReading(platform::RegistryRoot::LocalMachine,
                               "SYSTEM\\CurrentControlSet\\Services\\Korvane",
                               &key) != platform::RegistryStatus::Ok) {
      return "<no key>";
    }
    std::uint8_t data[64] = {};
    std::uint32_t length = sizeof data;
    const auto status = file.queryValue(key, name, data, &length);
    file.closeKey(key);
    if (status != platform::RegistryStatus::Ok) return "<missing>";
    const std::string text(reinterpret_cast<const char*>(data), length);
    return text.substr(0, text.find('\0'));
  }
  // The bytes a port's records hold, in record order.
  static std::vector<std::uint8_t> capturedBytes(int portTag) {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < monitorState.recordCount; ++i) {
      if (tag(i) != portTag) continue;
      const std::uint8_t* data = RecordIndex[i].record + 10;
      bytes.insert(bytes.end(), data, data + length(i));
    }
    return bytes;
  }
  static std::string label(int slot) {
    return std::string(reinterpret_cast<const char*>(RecordIndex[slot].record) + 2, 8);
  }
  static int tag(int slot) { return RecordIndex[slot].record[1]; }
  static int length(int slot) { return RecordIndex[slot].record[0]; }

  PseudoTerminal lineA;
  PseudoTerminal lineB;
  fs::path folder;
  std::unique_ptr<platform::posix::HiveFileRegistry> hive;
  std::unique_ptr<platform::posix::SerialDevices> devices;
  CKORVANEView view;
};

TEST_F(CaptureEndToEndTest, CaptureBrowseAndCaptureAgain) {
  MonitorState& s = monitorState;
  view.OnInitialUpdate();
  ASSERT_TRUE(view.DispatchCommand(ID_CONNECT));
  ASSERT_EQ(s.connected, 1);
  tick();  // the pending redraw; tick 1

  lineA.send({'A', 'B', 'C'});
  lineB.send(run(20, 0x80));
  headless::system().clearDrawing();
  tick();  // tick 2
  ASSERT_EQ(s.recordCount, 3);
  EXPECT_EQ(tag(0), 1);
  EXPECT_EQ(length(0), 3);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(RecordIndex[0].record) + 10, 3), "ABC");
  EXPECT_EQ(tag(1), 2);
  EXPECT_EQ(length(1), 16);
  EXPECT_EQ(tag(2), 2);
  EXPECT_EQ(length(2), 4);
  EXPECT_EQ(RecordIndex[2].record[10], 0x90) << "bytes pass unchanged";
  for (int i = 0; i < 3; ++i) EXPECT_EQ(label(i), "000002: ");
  EXPECT_EQ(s.caretRow, 2);
  EXPECT_EQ(s.caretCol, 4);
  const auto texts = headless::system().textOps();
  ASSERT_EQ(texts.size(), 7u) << "one label and two columns per row";
  EXPECT_EQ(texts[0].bytes, "000002: ");
  EXPECT_EQ(texts[3].color, RGB(192, 0, 0));

  lineA.send(run(30 * 16, 0));
  tick();  // tick 3
  EXPECT_EQ(s.recordCount, 33);
  EXPECT_EQ(label(32), "000003: ");
  EXPECT_EQ(s.topRow, 11);
  EXPECT_EQ(s.caretRow, 32);
  EXPECT_EQ(headless::system().caret().y, 21 * 18);

  ASSERT_TRUE(view.DispatchCommand(ID_DISCONNECT));
  EXPECT_EQ(s.connected, 0);
  EXPECT_EQ(s.recordCount, 33);
  view.DispatchKeyDown(0, 1, 0x49);  // Page Up
  EXPECT_EQ(s.topRow, 0);
  EXPECT_EQ(s.caretRow, 21);
  view.DispatchKeyDown(0, 1, 0x48);  // Up
  EXPECT_EQ(s.caretRow, 20);

  ASSERT_TRUE(view.DispatchCommand(ID_CONNECT));
  EXPECT_EQ(s.connected, 1) << "the ports were released and open again";
  EXPECT_EQ(s.recordCount, 0);
  EXPECT_EQ(s.pollSeq, 0);
  tick();
  lineB.send({'Z'});
  tick();
  ASSERT_EQ(s.recordCount, 1);
  EXPECT_EQ(tag(0), 2);
  EXPECT_EQ(label(0), "000002: ");
  view.DispatchCommand(ID_DISCONNECT);
}

// An adapter pulled out and plugged back in, as a pseudo-terminal shows it:
// the line hangs up, and later the name in the ports folder leads to a new
// line. The capture goes on without a box, and standard error marks the gap.
TEST_F(CaptureEndToEndTest, CaptureGoesOnAcrossAHangUpAndANewLineBehindTheSameName) {
  MonitorState& s = monitorState;
  const fs::path link = folder / "ports" / "LAB1";
  fs::create_symlink("/dev/" + lineA.portName, link);
  storeSetting("Port1", "LAB1");
  storeSetting("Disable", "1");
  view.OnInitialUpdate();
  ASSERT_TRUE(view.DispatchCommand(ID_CONNECT));
  tick();  // tick 1
  const auto before = run(40, 0x10);
  lineA.send(before);
  tick();  // tick 2

  testing::internal::CaptureStderr();
  ::close(lineA.master);  // the far end goes away: the port hangs up
  lineA.master = -1;
  tick();  // tick 3 finds the device gone
  EXPECT_EQ(s.connected, 1) << "the port stays connected";

  PseudoTerminal lineC;
  ASSERT_TRUE(lineC.open());
  fs::remove(link);
  fs::create_symlink("/dev/" + lineC.portName, link);
  // The device is looked for again at most twice a second.
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  tick();  // tick 4 opens the new line
  const auto after = run(20, 0xE0);
  lineC.send(after);
  tick();  // tick 5
  view.DispatchCommand(ID_DISCONNECT);
  const std::string told = testing::internal::GetCapturedStderr();
  lineC.close();

  std::vector<std::uint8_t> captured;
  for (int i = 0; i < s.recordCount; ++i) {
    EXPECT_EQ(tag(i), 1);
    const std::uint8_t* data = RecordIndex[i].record + 10;
    captured.insert(captured.end(), data, data + length(i));
  }
  std::vector<std::uint8_t> sent = before;
  sent.insert(sent.end(), after.begin(), after.end());
  EXPECT_EQ(captured, sent) << "every byte before and after the gap, in order";
  EXPECT_EQ(label(0), "000002: ");
  EXPECT_EQ(label(s.recordCount - 1), "000005: ");
  EXPECT_EQ(headless::system().messageBoxes().size(), 0u);
  EXPECT_NE(told.find("PORT A LAB1 -> /dev/" + lineA.portName + ": device lost at poll 3"),
            std::string::npos)
      << told;
  EXPECT_NE(told.find("device back at poll 4"), std::string::npos) << told;
  EXPECT_NE(told.find("PORT A LAB1 -> /dev/" + lineC.portName + ": 60 bytes"), std::string::npos)
      << "the disconnect counts both lines' bytes: " << told;
}

// Bytes of a line: a run that a lost, repeated or misplaced 256-byte chunk breaks.
std::vector<std::uint8_t> lineBytes(std::size_t count, std::uint8_t salt) {
  std::vector<std::uint8_t> bytes(count);
  for (std::size_t i = 0; i < count; ++i) {
    bytes[i] = static_cast<std::uint8_t>((i % 251) ^ (i / 251) ^ salt);
  }
  return bytes;
}

// Writes bytes into a line at a UART's pace at baud (10 bits a byte), a slice
// every 2 ms.
void sendPaced(int master, const std::vector<std::uint8_t>& bytes, std::uint32_t baud) {
  const auto start = std::chrono::steady_clock::now();
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const auto due = std::min(bytes.size(), static_cast<std::size_t>(seconds * baud / 10));
    while (sent < due) {
      const ssize_t n = ::write(master, bytes.data() + sent, due - sent);
      if (n <= 0) return;
      sent += static_cast<std::size_t>(n);
    }
  }
}

TEST_F(CaptureEndToEndTest, RatesTypedInSetupAreStoredAsTypedAndCaptureByteForByteAtThatRate) {
  MonitorState& s = monitorState;
  view.OnInitialUpdate();
  const int result = runSetup([](headless::DialogDriver& d) {
    d.type(IDC_BAUDRATE1, "921600");
    d.type(IDC_BAUDRATE2, "3000000");
    d.click(IDOK);
  });
  ASSERT_EQ(result, IDOK);
  EXPECT_EQ(storedText("BaudRate1"), "921600");
  EXPECT_EQ(storedText("BaudRate2"), "3000000");
  runSetup([](headless::DialogDriver& d) {
    EXPECT_EQ(d.text(IDC_BAUDRATE1), "921600");
    EXPECT_EQ(d.text(IDC_BAUDRATE2), "3000000");
    d.click(IDCANCEL);
  });

  ASSERT_TRUE(view.DispatchCommand(ID_CONNECT));
  ASSERT_EQ(s.connected, 1);
  // The port side's rates, as the driver took them (read through the line).
  for (const auto& [line, rate] : {std::pair{&lineA, 921600u}, std::pair{&lineB, 3000000u}}) {
    const auto speeds = platform::posix::lineSpeeds(line->master);
    ASSERT_TRUE(speeds.has_value());
    EXPECT_EQ(speeds->output, rate);
    EXPECT_EQ(speeds->input, rate);
  }

  // A third of a second of both lines at their rates, polled every 10 ms.
  const auto sentA = lineBytes(30720, 0x00);
  const auto sentB = lineBytes(100000, 0x5A);
  std::atomic<int> linesDone{0};
  std::thread feedA([&] {
    sendPaced(lineA.master, sentA, 921600);
    ++linesDone;
  });
  std::thread feedB([&] {
    sendPaced(lineB.master, sentB, 3000000);
    ++linesDone;
  });
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  int quietTicks = 0;
  while (quietTicks < 20 && std::chrono::steady_clock::now() < giveUp) {
    const int before = s.recordCount;
    tick();
    quietTicks = linesDone == 2 && s.recordCount == before ? quietTicks + 1 : 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  feedA.join();
  feedB.join();
  view.DispatchCommand(ID_DISCONNECT);
  EXPECT_EQ(capturedBytes(1), sentA) << "port A at 921600 baud";
  EXPECT_EQ(capturedBytes(2), sentB) << "port B at 3000000 baud";
  EXPECT_EQ(storedText("BaudRate2"), "3000000") << "Connect leaves the settings as they were";
}

TEST_F(CaptureEndToEndTest, TextsThatAreNoRateAreRefusedAtConnectWithTheReason) {
  view.OnInitialUpdate();
  const std::pair<const char*, const char*> cases[] = {
      {"abc", "holds \"a\", which is not a digit"},
      {"0", "is below 50"},
      {"4000001", "is above 4000000"},
      {" 9600", "holds \" \", which is not a digit"},
  };
  for (const auto& [text, why] : cases) {
    SCOPED_TRACE(text);
    runSetup([&](headless::DialogDriver& d) {
      d.type(IDC_BAUDRATE1, text);
      d.click(IDOK);
    });
    EXPECT_EQ(storedText("BaudRate1"), text) << "stored as typed";
    const std::size_t boxesBefore = headless::system().messageBoxes().size();
    try {
      view.DispatchCommand(ID_CONNECT);
      FAIL() << "the port opened";
    } catch (const headless::ProcessExit& exit) {
      EXPECT_NE(exit.status, 0);
    }
    const auto& boxes = headless::system().messageBoxes();
    ASSERT_EQ(boxes.size(), boxesBefore + 1);
    EXPECT_EQ(boxes.back().text, "Can not Open PORT A");
    EXPECT_EQ(boxes.back().detail,
              "baud rate \"" + std::string(text) + "\" " + why +
                  ": a rate is one of Setup's list (110 ... 256000) or a whole number of baud "
                  "from 50 to 4000000 in digits alone; choose or type one in Setup");
    EXPECT_EQ(monitorState.connected, 0);
  }
}

TEST_F(CaptureEndToEndTest, PortThatCannotBeOpenedEndsTheProcess) {
  storeSetting("Port2", "ttyKV9");
  view.OnInitialUpdate();
  try {
    view.DispatchCommand(ID_CONNECT);
    FAIL() << "the process goes on";
  } catch (const headless::ProcessExit& exit) {
    EXPECT_NE(exit.status, 0);
  }
  const auto& boxes = headless::system().messageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "Can not Open PORT B");
  EXPECT_EQ(boxes[0].caption, "Error");
}

}  // namespace
