// A running monitor for the setup dialog's tests: the view with its poll
// timer on the headless window system, ports from the fake serial backend
// (COM3 and COM4, as the default settings name them) and settings in memory.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "platform/comm/comm_backend.h"
#include "platform/headless/dialog_driver.h"
#include "platform/headless/fake_comm.h"
#include "platform/headless/headless_window_system.h"
#include "platform/headless/memory_registry.h"
#include "platform/registry/registry_backend.h"
#include "res/setup_dialog_ids.h"
#include "setup/setup_dlg.h"
#include "view/korvane_view.h"

class SetupFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::system().reset();
    resetProcessState();
    registry.reset();
    comm.reset();
    platform::installRegistryBackend(&registry);
    platform::installCommBackend(&comm);
    comm.addDevice("COM3");
    comm.addDevice("COM4");
  }
  void TearDown() override {
    view.DestroyWindow();
    resetProcessState();
  }

  headless::HeadlessWindowSystem& sys() { return headless::system(); }

  // Stores a settings value as its text and a terminator.
  void store(const std::string& name, const std::string& text) {
    platform::RegistryKey key = platform::kNoRegistryKey;
    ASSERT_EQ(registry.createKey(platform::RegistryRoot::LocalMachine, kKeyPath, &key),
              platform::RegistryStatus::Ok);
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    registry.setStringValue(key, name, data.data(), static_cast<std::uint32_t>(data.size()));
    registry.closeKey(key);
  }
  // The stored text of a value, up to its terminator.
  std::string stored(const std::string& name) {
    platform::RegistryKey key = platform::kNoRegistryKey;
    if (registry.openKeyFullAccess(platform::RegistryRoot::LocalMachine, kKeyPath, &key) !=
        platform::RegistryStatus::Ok) {
      return "<no key>";
    }
    std::uint8_t buffer[64] = {};
    std::uint32_t length = sizeof buffer;
    const auto status = registry.queryValue(key, name, buffer, &length);
    registry.closeKey(key);
    if (status != platform::RegistryStatus::Ok) return "<missing>";
    std::string text(reinterpret_cast<const char*>(buffer), length);
    return text.substr(0, text.find('\0'));
  }

  // The view's first update: settings loaded, empty buffer, poll timer running.
  void startView() {
    ASSERT_TRUE(view.CreateNative(platform::WindowKind::View, nullptr, {}));
    view.OnInitialUpdate();
  }
  void connect() {
    view.OnConnect();
    ASSERT_EQ(monitorState.connected, 1);
  }
  // Bytes arriving on port A, taken in at the next tick.
  void receive(int count) {
    comm.queueBytes("COM3", std::vector<std::uint8_t>(static_cast<std::size_t>(count), 0x41));
  }
  void tick() { sys().fireTimer(view.GetSafeHwnd(), CKORVANEView::kPollTimerId); }

  // Opens the setup dialog as the Setup command does, with body acting as the user.
  int runSetup(const std::function<void(CSetupDlg&, headless::DialogDriver&)>& body) {
    sys().setDialogHandler([&](CDialog& shown) {
      headless::DialogDriver driver(shown);
      body(static_cast<CSetupDlg&>(shown), driver);
    });
    CSetupDlg dlg(nullptr);
    return dlg.DoModal();
  }
  // Answers every message box with answer, letting the poll timer run meanwhile.
  void answerBoxes(int answer, int ticksWhileOpen = 0) {
    sys().setMessageBoxHandler([this, answer, ticksWhileOpen](const platform::MessageBoxRequest&) {
      for (int i = 0; i < ticksWhileOpen; ++i) tick();
      return answer;
    });
  }
  std::size_t boxesWithText(const std::string& text) const {
    std::size_t count = 0;
    for (const auto& box : headless::system().messageBoxes()) count += box.text == text ? 1 : 0;
    return count;
  }

  static constexpr const char* kKeyPath = "SYSTEM\\CurrentControlSet\\Services\\Korvane";
  static constexpr const char* kSizeQuestion = "Memory size change, Really want to change...";

  headless::MemoryRegistry registry;
  headless::FakeComm comm;
  CKORVANEView view;
};
