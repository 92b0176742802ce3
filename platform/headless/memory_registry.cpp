#include "platform/headless/memory_registry.h"

#include <cstring>

namespace headless {

using platform::RegistryStatus;

std::string MemoryRegistry::keyPath(platform::RegistryRoot root, const std::string& path) {
  return std::string(platform::registryRootName(root)) + "\\" + path;
}

void MemoryRegistry::reset() { *this = MemoryRegistry{}; }

RegistryStatus MemoryRegistry::openKeyFullAccess(platform::RegistryRoot root,
                                                 const std::string& path,
                                                 platform::RegistryKey* key) {
  *key = platform::kNoRegistryKey;
  const std::string full = keyPath(root, path);
  if (hive.findKey(full) == nullptr) return RegistryStatus::NotFound;
  if (denyFullAccess) return RegistryStatus::AccessDenied;
  *key = nextKey_++;
  openKeys_[*key] = full;
  return RegistryStatus::Ok;
}

RegistryStatus MemoryRegistry::openKeyForReading(platform::RegistryRoot root,
                                                 const std::string& path,
                                                 platform::RegistryKey* key) {
  *key = platform::kNoRegistryKey;
  const std::string full = keyPath(root, path);
  if (hive.findKey(full) == nullptr) return RegistryStatus::NotFound;
  *key = nextKey_++;
  openKeys_[*key] = full;
  readOnlyKeys_.insert(*key);
  return RegistryStatus::Ok;
}

RegistryStatus MemoryRegistry::createKey(platform::RegistryRoot root, const std::string& path,
                                         platform::RegistryKey* key) {
  *key = platform::kNoRegistryKey;
  if (failCreate) return RegistryStatus::AccessDenied;
  const std::string full = keyPath(root, path);
  hive.ensureKey(full);
  *key = nextKey_++;
  openKeys_[*key] = full;
  return RegistryStatus::Ok;
}

RegistryStatus MemoryRegistry::queryValue(platform::RegistryKey key, const std::string& name,
                                          std::uint8_t* buffer, std::uint32_t* dataLength) {
  const auto open = openKeys_.find(key);
  if (open == openKeys_.end()) return RegistryStatus::Failed;
  const platform::HiveKey* hiveKey = hive.findKey(open->second);
  const platform::HiveValue* value = hiveKey != nullptr ? hiveKey->findValue(name) : nullptr;
  if (value == nullptr) return RegistryStatus::NotFound;
  const std::uint32_t capacity = *dataLength;
  *dataLength = static_cast<std::uint32_t>(value->data.size());
  if (value->data.size() > capacity) return RegistryStatus::MoreData;
  if (!value->data.empty()) std::memcpy(buffer, value->data.data(), value->data.size());
  return RegistryStatus::Ok;
}

RegistryStatus MemoryRegistry::setStringValue(platform::RegistryKey key, const std::string& name,
                                              const std::uint8_t* data, std::uint32_t dataLength) {
  const auto open = openKeys_.find(key);
  if (open == openKeys_.end()) return RegistryStatus::Failed;
  if (readOnlyKeys_.contains(key)) return RegistryStatus::AccessDenied;
  if (failWrites) return RegistryStatus::Failed;
  std::vector<std::uint8_t> bytes(data, data + dataLength);
  writes_.push_back(Write{name, bytes});
  hive.ensureKey(open->second).setValue(name, platform::kRegSz, std::move(bytes));
  return RegistryStatus::Ok;
}

void MemoryRegistry::closeKey(platform::RegistryKey key) {
  openKeys_.erase(key);
  readOnlyKeys_.erase(key);
}

}  // namespace headless
