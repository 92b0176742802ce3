// The settings store as one REGEDIT4 hive file. Every operation reads the
// file afresh; every change rewrites it whole and atomically (temporary file,
// fsync, rename), so a crash leaves the old file or the new one, never half.
// A file that does not parse counts as holding no key, and before anything
// is written over it a copy is kept beside it.
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

  const std::string& path() const { return path_; }
  // Where the copy of an unparsable file went, when one was made.
  const std::string& lastKeptCopy() const { return lastKeptCopy_; }

 private:
  // Opens a key the file holds; forChange also asks that the file may be written.
  RegistryStatus openExistingKey(RegistryRoot root, const std::string& path, bool forChange,
                                 RegistryKey* key);

  enum class FileState { Missing, Unreadable, Unparsable, Parsed };
  struct Loaded {
    FileState state = FileState::Missing;
    std::string text;
    Hive hive;
  };

  Loaded load() const;
  bool writable() const;
  // A hive to change: the file's, or an empty one when the file is missing
  // or unparsable (whose copy is kept first). Fails when the file cannot
  // be read or its copy cannot be made.
  RegistryStatus hiveToChange(Hive& hive);
  bool keepCopy(const std::string& text);
  bool writeAtomically(const std::string& text) const;
  RegistryKey remember(const std::string& fullPath, bool readOnly = false);

  std::string path_;
  std::map<RegistryKey, std::string> openKeys_;
  std::set<RegistryKey> readOnlyKeys_;
  RegistryKey nextKey_ = 1;
  std::string lastKeptCopy_;
};

}  // namespace platform::posix
