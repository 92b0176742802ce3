// Writes one of the monitor's settings, as Setup's SAVE stores a text (with
// its terminator), into a registry backend's settings key, creating the key.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/registry/registry_backend.h"

namespace test_support {

inline void storeSetting(platform::RegistryBackend& registry, const std::string& name,
                         const std::string& text) {
  platform::RegistryKey key = platform::kNoRegistryKey;
  ASSERT_EQ(registry.createKey(platform::RegistryRoot::LocalMachine,
                               "SYSTEM\\CurrentControlSet\\Services\\Korvane", &key),
            platform::RegistryStatus::Ok);
  const std::string data = text + '\0';
  EXPECT_EQ(registry.setStringValue(key, name, reinterpret_cast<const std::uint8_t*>(data.data()),
                                    static_cast<std::uint32_t>(data.size())),
            platform::RegistryStatus::Ok);
  registry.closeKey(key);
}

}  // namespace test_support
