// The seam through which the system keeps its settings: keys holding named
// values, each value a run of bytes of an exact length. One backend is
// installed per process (a hive file in the monitor, memory in tests).
#pragma once

#include <cstdint>
#include <string>

namespace platform {

enum class RegistryRoot { LocalMachine };

using RegistryKey = std::intptr_t;
inline constexpr RegistryKey kNoRegistryKey = 0;

enum class RegistryStatus {
  Ok,
  NotFound,      // no such key or value
  AccessDenied,  // the key exists but may not be changed
  MoreData,      // the value's data is longer than the buffer
  Failed,        // anything else: the store could not be read or written
};

// Value types as the registry numbers them.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

class RegistryBackend {
 public:
  virtual ~RegistryBackend() = default;

  // Opens an existing key for reading and writing. Fails when the key is
  // absent or when it could not be changed.
  virtual RegistryStatus openKeyFullAccess(RegistryRoot root, const std::string& path,
                                           RegistryKey* key) = 0;
  // Opens an existing key for reading only: a user who may not change the
  // key still reads it. Writing through the key is refused (AccessDenied).
  virtual RegistryStatus openKeyForReading(RegistryRoot root, const std::string& path,
                                           RegistryKey* key) = 0;
  // Opens the key, creating it when it does not exist.
  virtual RegistryStatus createKey(RegistryRoot root, const std::string& path,
                                   RegistryKey* key) = 0;

  // Copies the value's data into buffer when it fits in *dataLength bytes.
  // On return *dataLength holds the data's length; when it did not fit the
  // result is MoreData and the buffer's content means nothing. The value's
  // type is not looked at.
  virtual RegistryStatus queryValue(RegistryKey key, const std::string& name, std::uint8_t* buffer,
                                    std::uint32_t* dataLength) = 0;

  // Stores exactly dataLength bytes as a text value (REG_SZ), terminator or not.
  virtual RegistryStatus setStringValue(RegistryKey key, const std::string& name,
                                        const std::uint8_t* data, std::uint32_t dataLength) = 0;

  virtual void closeKey(RegistryKey key) = 0;

  // Why changes are refused (AccessDenied), in words a user can act on, where
  // the backend knows better than "the key needs administrator rights".
  virtual std::string refusedChangeReason() const { return {}; }

  // Why the store as found cannot be used, naming it and the fault ("The
  // settings file /x/registry.reg is a folder, not a file."), the first time
  // it is asked after the fault appears; empty otherwise. Such a store reads
  // as holding no key and refuses every change, so it is never replaced.
  virtual std::string takeStoreFault() { return {}; }
};

// The backend in use; installed at start-up or by a test fixture.
RegistryBackend& registryBackend();
void installRegistryBackend(RegistryBackend* backend);

// "HKEY_LOCAL_MACHINE" for the local machine root.
const char* registryRootName(RegistryRoot root);

}  // namespace platform
