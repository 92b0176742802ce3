#include "platform/registry/hive.h"

#include <cstddef>
#include <utility>

#include "platform/registry/registry_backend.h"

namespace platform {
namespace {

constexpr std::string_view kHeader = "REGEDIT4";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::size_t kHexBytesPerLine = 25;

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Parses 1 to maxDigits hex digits making up all of s.
std::optional<std::uint32_t> parseHexNumber(std::string_view s, std::size_t maxDigits) {
  if (s.empty() || s.size() > maxDigits) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : s) {
    const int digit = hexDigit(c);
    if (digit < 0) return std::nullopt;
    value = (value << 4) | static_cast<std::uint32_t>(digit);
  }
  return value;
}

// Splits the text into lines, joining a line that ends in a backslash with
// the next one (the continuation of a long hex list).
std::vector<std::string> logicalLines(std::string_view text) {
  std::vector<std::string> lines;
  std::string pending;
  bool continuing = false;
  std::size_t pos = 0;
  while (pos <= text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = trim(line);
    if (continuing) {
      pending += line;
    } else {
      pending.assign(line);
    }
    continuing = !pending.empty() && pending.back() == '\\' && pending.front() != ';';
    if (continuing) {
      pending.pop_back();
    } else {
      lines.push_back(std::move(pending));
      pending.clear();
    }
    pos = end + 1;
  }
  if (continuing) lines.push_back(std::move(pending));
  return lines;
}

// Reads a quoted string starting at s[pos] == '"'; only \\ and \" are escapes.
std::optional<std::string> parseQuoted(std::string_view s, std::size_t& pos) {
  if (pos >= s.size() || s[pos] != '"') return std::nullopt;
  std::string out;
  for (++pos; pos < s.size(); ++pos) {
    const char c = s[pos];
    if (c == '"') {
      ++pos;
      return out;
    }
    if (c == '\\') {
      if (pos + 1 >= s.size()) return std::nullopt;
      const char next = s[pos + 1];
      if (next != '\\' && next != '"') return std::nullopt;
      out += next;
      ++pos;
    } else {
      out += c;
    }
  }
  return std::nullopt;
}

std::optional<std::vector<std::uint8_t>> parseHexList(std::string_view s) {
  std::vector<std::uint8_t> bytes;
  s = trim(s);
  if (s.empty()) return bytes;
  std::size_t pos = 0;
  while (true) {
    std::size_t comma = s.find(',', pos);
    const std::string_view item =
        trim(s.substr(pos, comma == std::string_view::npos ? std::string_view::npos : comma - pos));
    const auto value = parseHexNumber(item, 2);
    if (!value) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(*value));
    if (comma == std::string_view::npos) return bytes;
    pos = comma + 1;
  }
}

std::optional<HiveValue> parseValueLine(std::string_view line) {
  HiveValue value;
  std::size_t pos = 0;
  if (line[0] == '@') {
    pos = 1;
  } else {
    auto name = parseQuoted(line, pos);
    if (!name) return std::nullopt;
    value.name = std::move(*name);
  }
  std::string_view rest = trim(line.substr(pos));
  if (rest.empty() || rest.front() != '=') return std::nullopt;
  rest = trim(rest.substr(1));
  if (rest.empty()) return std::nullopt;

  if (rest.front() == '"') {
    std::size_t textPos = 0;
    auto text = parseQuoted(rest, textPos);
    if (!text || textPos != rest.size()) return std::nullopt;
    value.type = kRegSz;
    value.data.assign(text->begin(), text->end());
    value.data.push_back(0);
    return value;
  }
  if (rest.starts_with("dword:")) {
    const auto number = parseHexNumber(rest.substr(6), 8);
    if (!number) return std::nullopt;
    value.type = kRegDword;
    for (int shift = 0; shift < 32; shift += 8) {
      value.data.push_back(static_cast<std::uint8_t>((*number >> shift) & 0xFF));
    }
    return value;
  }
  std::string_view list;
  if (rest.starts_with("hex:")) {
    value.type = kRegBinary;
    list = rest.substr(4);
  } else if (rest.starts_with("hex(")) {
    const std::size_t close = rest.find("):");
    if (close == std::string_view::npos) return std::nullopt;
    const auto type = parseHexNumber(rest.substr(4, close - 4), 8);
    if (!type) return std::nullopt;
    value.type = *type;
    list = rest.substr(close + 2);
  } else {
    return std::nullopt;
  }
  auto bytes = parseHexList(list);
  if (!bytes) return std::nullopt;
  value.data = std::move(*bytes);
  return value;
}

bool isPlainText(const std::vector<std::uint8_t>& data) {
  if (data.empty() || data.back() != 0) return false;
  for (std::size_t i = 0; i + 1 < data.size(); ++i) {
    if (data[i] < 0x20 || data[i] > 0x7E) return false;
  }
  return true;
}

void appendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
}

void appendHex(std::string& out, std::uint32_t value, int digits) {
  static constexpr char kDigits[] = "0123456789abcdef";
  for (int i = digits - 1; i >= 0; --i) {
    out += kDigits[(value >> (4 * i)) & 0xF];
  }
}

void appendValue(std::string& out, const HiveValue& value) {
  if (value.name.empty()) {
    out += '@';
  } else {
    appendQuoted(out, value.name);
  }
  out += '=';
  if (value.type == kRegSz && isPlainText(value.data)) {
    appendQuoted(out, std::string_view(reinterpret_cast<const char*>(value.data.data()),
                                       value.data.size() - 1));
    return;
  }
  if (value.type == kRegDword && value.data.size() == 4) {
    const std::uint32_t number = static_cast<std::uint32_t>(value.data[0]) |
                                 (static_cast<std::uint32_t>(value.data[1]) << 8) |
                                 (static_cast<std::uint32_t>(value.data[2]) << 16) |
                                 (static_cast<std::uint32_t>(value.data[3]) << 24);
    out += "dword:";
    appendHex(out, number, 8);
    return;
  }
  if (value.type == kRegBinary) {
    out += "hex:";
  } else {
    out += "hex(";
    // The type without leading zeros, as the registry editor writes it.
    int digits = 1;
    while (digits < 8 && (value.type >> (4 * digits)) != 0) ++digits;
    appendHex(out, value.type, digits);
    out += "):";
  }
  for (std::size_t i = 0; i < value.data.size(); ++i) {
    if (i > 0) {
      out += ',';
      if (i % kHexBytesPerLine == 0) out += "\\\r\n  ";
    }
    appendHex(out, value.data[i], 2);
  }
}

}  // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

HiveValue* HiveKey::findValue(std::string_view name) {
  for (auto& value : values) {
    if (equalsIgnoringCase(value.name, name)) return &value;
  }
  return nullptr;
}

const HiveValue* HiveKey::findValue(std::string_view name) const {
  return const_cast<HiveKey*>(this)->findValue(name);
}

void HiveKey::setValue(std::string_view name, std::uint32_t type, std::vector<std::uint8_t> data) {
  if (HiveValue* existing = findValue(name)) {
    existing->type = type;
    existing->data = std::move(data);
    return;
  }
  values.push_back(HiveValue{std::string(name), type, std::move(data)});
}

HiveKey* Hive::findKey(std::string_view path) {
  for (auto& key : keys) {
    if (equalsIgnoringCase(key.path, path)) return &key;
  }
  return nullptr;
}

const HiveKey* Hive::findKey(std::string_view path) const {
  return const_cast<Hive*>(this)->findKey(path);
}

HiveKey& Hive::ensureKey(std::string_view path) {
  if (HiveKey* existing = findKey(path)) return *existing;
  keys.push_back(HiveKey{std::string(path), {}});
  return keys.back();
}

std::optional<Hive> parseHive(std::string_view text) {
  if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
  Hive hive;
  bool headerSeen = false;
  std::size_t currentKey = 0;
  bool inKey = false;
  for (const std::string& line : logicalLines(text)) {
    if (line.empty() || line.front() == ';') continue;
    if (!headerSeen) {
      if (line != kHeader) return std::nullopt;
      headerSeen = true;
      continue;
    }
    if (line.front() == '[') {
      if (line.size() < 3 || line.back() != ']' || line[1] == '-') return std::nullopt;
      const std::string_view path = std::string_view(line).substr(1, line.size() - 2);
      hive.ensureKey(path);
      for (std::size_t i = 0; i < hive.keys.size(); ++i) {
        if (equalsIgnoringCase(hive.keys[i].path, path)) currentKey = i;
      }
      inKey = true;
      continue;
    }
    if (!inKey) return std::nullopt;
    auto value = parseValueLine(line);
    if (!value) return std::nullopt;
    hive.keys[currentKey].setValue(value->name, value->type, std::move(value->data));
  }
  if (!headerSeen) return std::nullopt;
  return hive;
}

std::string formatHive(const Hive& hive) {
  std::string out;
  out += kHeader;
  out += "\r\n\r\n";
  for (const HiveKey& key : hive.keys) {
    out += '[';
    out += key.path;
    out += "]\r\n";
    for (const HiveValue& value : key.values) {
      appendValue(out, value);
      out += "\r\n";
    }
    out += "\r\n";
  }
  return out;
}

}  // namespace platform
