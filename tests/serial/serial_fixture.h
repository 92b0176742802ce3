// Port access and settings on the scripted serial backend and the in-memory
// settings store, with message boxes and process exit observed headless.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "capture/capture_store.h"
#include "capture/monitor_state.h"
#include "platform/comm/comm_backend.h"
#include "platform/headless/fake_comm.h"
#include "platform/headless/headless_window_system.h"
#include "platform/headless/memory_registry.h"
#include "platform/registry/registry_backend.h"
#include "setup/setup_dlg.h"

using Bytes = std::vector<std::uint8_t>;

inline Bytes bytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

class SerialFixture : public ::testing::Test {
 protected:
  static constexpr const char* kSettingsKey =
      "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Korvane";

  void SetUp() override {
    headless::system().reset();
    resetProcessState();
    registry.reset();
    comm.reset();
    platform::installRegistryBackend(&registry);
    platform::installCommBackend(&comm);
  }
  void TearDown() override {
    platform::installRegistryBackend(nullptr);
    platform::installCommBackend(nullptr);
    resetProcessState();
  }

  // Puts a value into the key exactly as given, of any type.
  void storeRaw(const std::string& name, const Bytes& data, std::uint32_t type = platform::kRegSz) {
    registry.hive.ensureKey(kSettingsKey).setValue(name, type, data);
  }
  // Text plus terminator, as a value would commonly be written.
  void storeText(const std::string& name, const std::string& text) {
    Bytes data = bytesOf(text);
    data.push_back(0);
    storeRaw(name, data);
  }
  std::optional<Bytes> storedBytes(const std::string& name) const {
    const platform::HiveKey* key = registry.hive.findKey(kSettingsKey);
    const platform::HiveValue* value = key != nullptr ? key->findValue(name) : nullptr;
    if (value == nullptr) return std::nullopt;
    return value->data;
  }

  const std::vector<platform::MessageBoxRequest>& boxes() const {
    return headless::system().messageBoxes();
  }

  headless::MemoryRegistry registry;
  headless::FakeComm comm;
};
