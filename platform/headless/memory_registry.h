// A settings store held in memory, for tests: the same keys and exact value
// bytes as the hive file, plus switches that make opening, creating or
// writing fail, and a record of every write.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/registry/hive.h"
#include "platform/registry/registry_backend.h"

namespace headless {

class MemoryRegistry final : public platform::RegistryBackend {
 public:
  struct Write {
    std::string name;
    std::vector<std::uint8_t> data;
  };

  platform::Hive hive;
  bool denyFullAccess = false;  // existing keys open read-only: full access fails
  bool failCreate = false;
  bool failWrites = false;

  // Full key path of a key under a root, as the hive names it.
  static std::string keyPath(platform::RegistryRoot root, const std::string& path);

  const std::vector<Write>& writes() const { return writes_; }
  std::size_t openKeyCount() const { return openKeys_.size(); }
  void reset();

  // platform::RegistryBackend
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

 private:
  std::map<platform::RegistryKey, std::string> openKeys_;
  std::set<platform::RegistryKey> readOnlyKeys_;
  platform::RegistryKey nextKey_ = 1;
  std::vector<Write> writes_;
};

}  // namespace headless
