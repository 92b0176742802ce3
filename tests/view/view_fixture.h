// The monitor view on the headless window system, with the scripted serial
// devices "COM3" and "COM4" (the default port names) and an in-memory
// settings store.
#pragma once

#include <string>
#include <vector>

#include "platform/comm/comm_backend.h"
#include "platform/headless/fake_comm.h"
#include "platform/headless/memory_registry.h"
#include "platform/registry/registry_backend.h"
#include "res/resource.h"
#include "tests/view/capture_fixture.h"
#include "view/korvane_view.h"

class ViewFixture : public CaptureFixture {
 protected:
  static constexpr const char* kSettingsKey =
      "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Korvane";
  static constexpr const char* kPortA = "COM3";
  static constexpr const char* kPortB = "COM4";

  void SetUp() override {
    CaptureFixture::SetUp();
    registry.reset();
    comm.reset();
    platform::installRegistryBackend(&registry);
    platform::installCommBackend(&comm);
    comm.addDevice(kPortA);
    comm.addDevice(kPortB);
    ASSERT_TRUE(view.CreateNative(platform::WindowKind::View, nullptr, {}));
  }
  void TearDown() override {
    view.DestroyWindow();
    platform::installRegistryBackend(nullptr);
    platform::installCommBackend(nullptr);
    CaptureFixture::TearDown();
  }

  void storeText(const std::string& name, const std::string& text) {
    std::vector<std::uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    registry.hive.ensureKey(kSettingsKey).setValue(name, platform::kRegSz, data);
  }

  // The view's first update, with its drawing forgotten.
  void start() {
    view.OnInitialUpdate();
    headless::system().clearDrawing();
  }
  BOOL command(UINT id) { return view.DispatchCommand(id); }
  // Connect, then the tick that carries out its pending redraw.
  void connectAndSettle() {
    command(ID_CONNECT);
    tick();
    headless::system().clearDrawing();
  }
  void tick() { headless::system().fireTimer(view.m_hWnd, CKORVANEView::kPollTimerId); }
  void key(UINT flags) { view.DispatchKeyDown(0, 1, flags); }
  void queue(const char* port, int count, std::uint8_t first = 0) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
    comm.queueBytes(port, bytes);
  }

  static headless::HeadlessWindowSystem& ws() { return headless::system(); }
  static const std::vector<platform::MessageBoxRequest>& boxes() {
    return headless::system().messageBoxes();
  }
  std::vector<headless::DrawOp> textsAt(int y) const {
    std::vector<headless::DrawOp> found;
    for (const auto& op : ws().textOps()) {
      if (op.y == y) found.push_back(op);
    }
    return found;
  }

  headless::MemoryRegistry registry;
  headless::FakeComm comm;
  CKORVANEView view;
};
