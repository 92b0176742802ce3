#include "platform/win32/system_registry.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace platform::win32 {
namespace {

HKEY rootKey(RegistryRoot root) {
  switch (root) {
    case RegistryRoot::LocalMachine:
      break;
  }
  return HKEY_LOCAL_MACHINE;
}

RegistryStatus statusOf(LSTATUS result) {
  switch (result) {
    case ERROR_SUCCESS:
      return RegistryStatus::Ok;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return RegistryStatus::NotFound;
    case ERROR_ACCESS_DENIED:
      return RegistryStatus::AccessDenied;
    case ERROR_MORE_DATA:
      return RegistryStatus::MoreData;
    default:
      return RegistryStatus::Failed;
  }
}

}  // namespace

SystemRegistry::~SystemRegistry() {
  for (const auto& [key, systemKey] : openKeys_) RegCloseKey(static_cast<HKEY>(systemKey));
}

RegistryKey SystemRegistry::remember(void* systemKey) {
  const RegistryKey key = nextKey_++;
  openKeys_[key] = systemKey;
  return key;
}

void* SystemRegistry::systemKey(RegistryKey key) const {
  const auto found = openKeys_.find(key);
  return found != openKeys_.end() ? found->second : nullptr;
}

RegistryStatus SystemRegistry::openKeyFullAccess(RegistryRoot root, const std::string& path,
                                                 RegistryKey* key) {
  *key = kNoRegistryKey;
  HKEY opened = nullptr;
  const LSTATUS result = RegOpenKeyExA(rootKey(root), path.c_str(), 0, KEY_ALL_ACCESS, &opened);
  if (result != ERROR_SUCCESS) return statusOf(result);
  *key = remember(opened);
  return RegistryStatus::Ok;
}

RegistryStatus SystemRegistry::openKeyForReading(RegistryRoot root, const std::string& path,
                                                 RegistryKey* key) {
  *key = kNoRegistryKey;
  HKEY opened = nullptr;
  const LSTATUS result = RegOpenKeyExA(rootKey(root), path.c_str(), 0, KEY_READ, &opened);
  if (result != ERROR_SUCCESS) return statusOf(result);
  *key = remember(opened);
  return RegistryStatus::Ok;
}

RegistryStatus SystemRegistry::createKey(RegistryRoot root, const std::string& path,
                                         RegistryKey* key) {
  *key = kNoRegistryKey;
  HKEY created = nullptr;
  // Asking for the right to set values makes a user without it fail here,
  // rather than get a key that only refuses the writes later.
  const LSTATUS result =
      RegCreateKeyExA(rootKey(root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &created, nullptr);
  if (result != ERROR_SUCCESS) return statusOf(result);
  *key = remember(created);
  return RegistryStatus::Ok;
}

RegistryStatus SystemRegistry::queryValue(RegistryKey key, const std::string& name,
                                          std::uint8_t* buffer, std::uint32_t* dataLength) {
  const auto systemKeyOpen = static_cast<HKEY>(systemKey(key));
  if (systemKeyOpen == nullptr) return RegistryStatus::Failed;
  DWORD length = *dataLength;
  const LSTATUS result =
      RegQueryValueExA(systemKeyOpen, name.c_str(), nullptr, nullptr, buffer, &length);
  *dataLength = length;
  return statusOf(result);
}

RegistryStatus SystemRegistry::setStringValue(RegistryKey key, const std::string& name,
                                              const std::uint8_t* data, std::uint32_t dataLength) {
  const auto systemKeyOpen = static_cast<HKEY>(systemKey(key));
  if (systemKeyOpen == nullptr) return RegistryStatus::Failed;
  return statusOf(RegSetValueExA(systemKeyOpen, name.c_str(), 0, REG_SZ, data, dataLength));
}

void SystemRegistry::closeKey(RegistryKey key) {
  const auto found = openKeys_.find(key);
  if (found == openKeys_.end()) return;
  RegCloseKey(static_cast<HKEY>(found->second));
  openKeys_.erase(found);
}

}  // namespace platform::win32
