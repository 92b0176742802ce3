#include "tools/record/settings_overrides.h"

#include <cstring>

namespace recorder {

using platform::RegistryKey;
using platform::RegistryStatus;

SettingsOverrides::SettingsOverrides(platform::RegistryBackend& settingsFile)
    : settingsFile_(settingsFile) {}

void SettingsOverrides::set(const std::string& name, const std::string& text) {
  values_[name] = text;
}

RegistryStatus SettingsOverrides::openThrough(RegistryStatus fileStatus, RegistryKey fileKey,
                                              RegistryKey* key) {
  // Without the key the monitor would take every default; the replaced
  // values must still count, so the key opens and the rest reads as missing.
  if (fileStatus != RegistryStatus::Ok && values_.empty()) return fileStatus;
  *key = nextKey_++;
  keys_[*key] = fileStatus == RegistryStatus::Ok ? fileKey : platform::kNoRegistryKey;
  return RegistryStatus::Ok;
}

RegistryStatus SettingsOverrides::openKeyFullAccess(platform::RegistryRoot root,
                                                    const std::string& path, RegistryKey* key) {
  RegistryKey fileKey = platform::kNoRegistryKey;
  const RegistryStatus status = settingsFile_.openKeyFullAccess(root, path, &fileKey);
  return openThrough(status, fileKey, key);
}

RegistryStatus SettingsOverrides::openKeyForReading(platform::RegistryRoot root,
                                                    const std::string& path, RegistryKey* key) {
  RegistryKey fileKey = platform::kNoRegistryKey;
  const RegistryStatus status = settingsFile_.openKeyForReading(root, path, &fileKey);
  return openThrough(status, fileKey, key);
}

RegistryStatus SettingsOverrides::createKey(platform::RegistryRoot /*root*/,
                                            const std::string& /*path*/, RegistryKey* /*key*/) {
  return RegistryStatus::AccessDenied;
}

RegistryStatus SettingsOverrides::queryValue(RegistryKey key, const std::string& name,
                                             std::uint8_t* buffer, std::uint32_t* dataLength) {
  const auto open = keys_.find(key);
  if (open == keys_.end()) return RegistryStatus::NotFound;
  if (const auto value = values_.find(name); value != values_.end()) {
    // Stored as the monitor stores a text: its characters and a terminator.
    const auto length = static_cast<std::uint32_t>(value->second.size() + 1);
    const std::uint32_t room = *dataLength;
    *dataLength = length;
    if (length > room) return RegistryStatus::MoreData;
    std::memcpy(buffer, value->second.c_str(), length);
    return RegistryStatus::Ok;
  }
  if (open->second == platform::kNoRegistryKey) return RegistryStatus::NotFound;
  return settingsFile_.queryValue(open->second, name, buffer, dataLength);
}

RegistryStatus SettingsOverrides::setStringValue(RegistryKey /*key*/, const std::string& /*name*/,
                                                 const std::uint8_t* /*data*/,
                                                 std::uint32_t /*dataLength*/) {
  return RegistryStatus::AccessDenied;
}

void SettingsOverrides::closeKey(RegistryKey key) {
  const auto open = keys_.find(key);
  if (open == keys_.end()) return;
  if (open->second != platform::kNoRegistryKey) settingsFile_.closeKey(open->second);
  keys_.erase(open);
}

}  // namespace recorder
