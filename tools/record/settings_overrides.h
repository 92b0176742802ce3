// The settings as the monitor keeps them, with some values replaced for one
// run of the recorder. Queries of a replaced value are answered from the
// command line; every other value comes from the settings file unchanged.
// Nothing is ever written: a recording never changes the monitor's settings.
#pragma once

#include <map>
#include <string>

#include "platform/registry/registry_backend.h"

namespace recorder {

class SettingsOverrides final : public platform::RegistryBackend {
 public:
  explicit SettingsOverrides(platform::RegistryBackend& settingsFile);

  // Replaces the value name (such as "Port1" or "MEMSIZE") with text.
  void set(const std::string& name, const std::string& text);

  platform::RegistryStatus openKeyFullAccess(platform::RegistryRoot root, const std::string& path,
                                             platform::RegistryKey* key) override;
  platform::RegistryStatus openKeyForReading(platform::RegistryRoot root, const std::string& path,
                                             platform::RegistryKey* key) override;
  platform::RegistryStatus createKey(platform::RegistryRoot root, const std::string& path,
                                     platform::RegistryKey* key) override;
  platform::RegistryStatus queryValue(platform::RegistryKey key, const std::string& name,
                                      std::uint8_t* buffer, std::uint32_t* dataLength) override;
  platform::RegistryStatus setStringValue(platform::RegistryKey key, const std::string& name,
                                          const std::uint8_t* data,
                                          std::uint32_t dataLength) override;
  void closeKey(platform::RegistryKey key) override;
  // The settings file's fault, told as the monitor tells it.
  std::string takeStoreFault() override { return settingsFile_.takeStoreFault(); }

 private:
  // Opens the settings file's key the way asked, or only the replaced
  // values when the file has no such key.
  platform::RegistryStatus openThrough(platform::RegistryStatus fileStatus,
                                       platform::RegistryKey fileKey, platform::RegistryKey* key);

  platform::RegistryBackend& settingsFile_;
  std::map<std::string, std::string> values_;
  // Our key handle -> the settings file's handle, or kNoRegistryKey when the
  // file has no such key and only the replaced values answer.
  std::map<platform::RegistryKey, platform::RegistryKey> keys_;
  platform::RegistryKey nextKey_ = 1;
};

}  // namespace recorder
