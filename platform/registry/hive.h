// A set of registry keys in memory, and its text form: the REGEDIT4 file a
// person can read and a Windows machine can import (the registry editor's
// own export format is read too). Every value keeps its
// exact bytes; a text value that is not exactly its characters plus one
// terminator is written in the hex(1): form.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

struct HiveValue {
  std::string name;  // empty for the key's default value
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  bool operator==(const HiveValue&) const = default;
};

struct HiveKey {
  std::string path;  // full path, such as "HKEY_LOCAL_MACHINE\SOFTWARE\X"
  std::vector<HiveValue> values;
  bool operator==(const HiveKey&) const = default;

  // Names are compared without regard to ASCII letter case, as the registry does.
  HiveValue* findValue(std::string_view name);
  const HiveValue* findValue(std::string_view name) const;
  // Replaces the value's type and data, or adds the value at the end.
  void setValue(std::string_view name, std::uint32_t type, std::vector<std::uint8_t> data);
};

struct Hive {
  std::vector<HiveKey> keys;
  bool operator==(const Hive&) const = default;

  HiveKey* findKey(std::string_view path);
  const HiveKey* findKey(std::string_view path) const;
  // The key, added empty at the end when absent.
  HiveKey& ensureKey(std::string_view path);
};

// Reads a REGEDIT4 file, or a "Windows Registry Editor Version 5.00" one in
// UTF-16LE with its byte-order mark or in UTF-8 (its text values in the hex
// forms come back as narrow text, as REGEDIT4 holds them). Returns nothing
// when any line cannot be understood, so that a damaged file is never
// mistaken for a smaller set of settings; failure then tells why.
std::optional<Hive> parseHive(std::string_view text, std::string* failure = nullptr);

// Writes the REGEDIT4 form (CRLF line ends); parseHive gives the hive back.
std::string formatHive(const Hive& hive);

bool equalsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace platform
