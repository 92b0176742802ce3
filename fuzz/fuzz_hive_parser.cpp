// Fuzz target: the hive-file parser on arbitrary text. Whatever parses must
// write back to a text that parses to the same keys and values, byte for
// byte, and writing that again must give the same text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "platform/registry/hive.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const auto parsed = platform::parseHive(text);
  if (!parsed) return 0;

  // Keys are unique without regard to letter case, and so are the values of
  // a key: a lookup must find the one the parser kept.
  for (const platform::HiveKey& key : parsed->keys) {
    FUZZ_CHECK(parsed->findKey(key.path) == &key);
    for (const platform::HiveValue& value : key.values) {
      FUZZ_CHECK(key.findValue(value.name) == &value);
    }
  }

  const std::string written = platform::formatHive(*parsed);
  const auto reread = platform::parseHive(written);
  FUZZ_CHECK(reread.has_value());
  FUZZ_CHECK(reread->keys.size() == parsed->keys.size());
  for (std::size_t k = 0; k < parsed->keys.size(); ++k) {
    const platform::HiveKey& before = parsed->keys[k];
    const platform::HiveKey& after = reread->keys[k];
    FUZZ_CHECK(after.path == before.path);
    FUZZ_CHECK(after.values.size() == before.values.size());
    for (std::size_t v = 0; v < before.values.size(); ++v) {
      FUZZ_CHECK(after.values[v].name == before.values[v].name);
      FUZZ_CHECK(after.values[v].type == before.values[v].type);
      FUZZ_CHECK(after.values[v].data == before.values[v].data);
    }
  }
  FUZZ_CHECK(platform::formatHive(*reread) == written);
  return 0;
}
