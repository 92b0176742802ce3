// The settings store in the Windows registry, through the Win32 registry
// functions. Values are stored and read back as the exact bytes given.
#pragma once

#include <map>
#include <string>

#include "platform/registry/registry_backend.h"

namespace platform::win32 {

class SystemRegistry final : public RegistryBackend {
 public:
  SystemRegistry() = default;
  ~SystemRegistry() override;
  SystemRegistry(const SystemRegistry&) = delete;
  SystemRegistry& operator=(const SystemRegistry&) = delete;

  RegistryStatus openKeyFullAccess(RegistryRoot root, const std::string& path,
                                   RegistryKey* key) override;
  RegistryStatus openKeyForReading(RegistryRoot root, const std::string& path,
                                   RegistryKey* key) override;
  RegistryStatus createKey(RegistryRoot root, const std::string& path, RegistryKey* key) override;
  RegistryStatus queryValue(RegistryKey key, const std::string& name, std::uint8_t* buffer,
                            std::uint32_t* dataLength) override;
  RegistryStatus setStringValue(RegistryKey key, const std::string& name, const std::uint8_t* data,
                                std::uint32_t dataLength) override;
  void closeKey(RegistryKey key) override;

 private:
  RegistryKey remember(void* systemKey);
  void* systemKey(RegistryKey key) const;

  std::map<RegistryKey, void*> openKeys_;  // the Win32 HKEYs
  RegistryKey nextKey_ = 1;
};

}  // namespace platform::win32
