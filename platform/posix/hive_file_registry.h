// The settings store as one REGEDIT4 hive file. Every operation reads the
// file afresh; every change rewrites it whole and atomically (temporary file,
// fsync, rename), so a crash leaves the old file or the new one, never half.
// A file that cannot be used (a folder, unreadable, not a registry file)
// counts as holding no key, is told once through takeStoreFault and is never
// written over.
#pragma once

#include <map>
#include <set>
#include <string>

#include "platform/registry/hive.h"
#include "platform/registry/registry_backend.h"

namespace platform::posix {

class HiveFileRegistry final : public RegistryBackend {
 public:
  explicit HiveFileRegistry(std::string path);

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
  std::string refusedChangeReason() const override;
  std::string takeStoreFault() override;

  const std::string& path() const { return path_; }

 private:
  // Opens a key the file holds; forChange also asks that the file may be written.
  RegistryStatus openExistingKey(RegistryRoot root, const std::string& path, bool forChange,
                                 RegistryKey* key);

  enum class FileState { Missing, Unreadable, Unparsable, Parsed };
  struct Loaded {
    FileState state = FileState::Missing;
    std::string text;
    Hive hive;
    std::string fault;  // why an Unreadable or Unparsable file cannot be used
  };

  Loaded load() const;
  bool writable() const;
  // A hive to change: the file's, or an empty one when the file is missing.
  // Refused (AccessDenied) when the file cannot be used.
  RegistryStatus hiveToChange(Hive& hive);
  bool writeAtomically(const std::string& text) const;
  RegistryKey remember(const std::string& fullPath, bool readOnly = false);

  std::string path_;
  std::map<RegistryKey, std::string> openKeys_;
  std::set<RegistryKey> readOnlyKeys_;
  RegistryKey nextKey_ = 1;
  std::string toldFault_;
};

}  // namespace platform::posix
