#include "platform/registry/hive.h"

#include <cstddef>
#include <utility>

#include "platform/registry/registry_backend.h"

namespace platform {
namespace {

constexpr std::string_view kHeader = "REGEDIT4";
// The registry editor's export since Windows 2000: text values in the hex
// forms are UTF-16LE; the file itself is UTF-16LE with a byte-order mark by
// default, or UTF-8.
constexpr std::string_view kVersion5Header = "Windows Registry Editor Version 5.00";
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
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

struct LogicalLine {
  std::size_t number;  // of the first line it was joined from, from 1
  std::string text;
};

// Splits the text into lines, joining a line that ends in a backslash with
// the next one (the continuation of a long hex list).
std::vector<LogicalLine> logicalLines(std::string_view text) {
  std::vector<LogicalLine> lines;
  std::string pending;
  bool continuing = false;
  std::size_t pos = 0;
  std::size_t number = 0;
  std::size_t firstNumber = 1;
  while (pos <= text.size()) {
    ++number;
    if (!continuing) firstNumber = number;
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
      lines.push_back({firstNumber, std::move(pending)});
      pending.clear();
    }
    pos = end + 1;
  }
  if (continuing) lines.push_back({firstNumber, std::move(pending)});
  return lines;
}

void appendUtf8(std::string& out, std::uint32_t codePoint) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (codePoint >> 18));
    out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

// UTF-16LE bytes as UTF-8; nothing when the length is odd or a surrogate
// stands alone. A code unit of 0 stays one byte 0, so a text's terminator
// and filler keep their places.
std::optional<std::string> utf8OfUtf16Le(std::string_view bytes) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  std::string out;
  out.reserve(bytes.size() / 2);
  const auto unitAt = [&bytes](std::size_t i) {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[i])) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[i + 1])) << 8);
  };
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    const std::uint32_t unit = unitAt(i);
    if (unit >= 0xDC00 && unit <= 0xDFFF) return std::nullopt;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      if (i + 4 > bytes.size()) return std::nullopt;
      const std::uint32_t low = unitAt(i + 2);
      if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
      appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
      i += 2;
      continue;
    }
    appendUtf8(out, unit);
  }
  return out;
}

bool isTextType(std::uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

// The start of a line for a message, cut where it gets long.
std::string shown(std::string_view line) {
  constexpr std::size_t kShownChars = 60;
  if (line.size() <= kShownChars) return std::string(line);
  return std::string(line.substr(0, kShownChars)) + "...";
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

std::optional<HiveValue> parseValueLine(std::string_view line, bool utf16Texts) {
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
  if (utf16Texts && isTextType(value.type)) {
    // Kept as the narrow text the settings use, byte for byte where the
    // text is ASCII: the stored length, terminator and filler stay.
    auto text = utf8OfUtf16Le(
        std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
    if (!text) return std::nullopt;
    bytes->assign(text->begin(), text->end());
  }
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

std::optional<Hive> parseHive(std::string_view text, std::string* failure) {
  const auto fail = [failure](std::string why) -> std::optional<Hive> {
    if (failure != nullptr) *failure = std::move(why);
    return std::nullopt;
  };
  std::string decoded;
  if (text.starts_with(kUtf16LeBom)) {
    auto utf8 = utf8OfUtf16Le(text.substr(kUtf16LeBom.size()));
    if (!utf8) return fail("it starts as UTF-16 text but is not valid UTF-16");
    decoded = std::move(*utf8);
    text = decoded;
  } else if (text.starts_with(kUtf8Bom)) {
    text.remove_prefix(kUtf8Bom.size());
  }
  Hive hive;
  bool headerSeen = false;
  bool utf16Texts = false;
  std::size_t currentKey = 0;
  bool inKey = false;
  for (const LogicalLine& logical : logicalLines(text)) {
    const std::string& line = logical.text;
    if (line.empty() || line.front() == ';') continue;
    const auto refuse = [&]() {
      return fail("line " + std::to_string(logical.number) + " is not understood: " + shown(line));
    };
    if (!headerSeen) {
      if (line != kHeader && line != kVersion5Header) {
        return fail("it does not start with \"" + std::string(kVersion5Header) + "\" or \"" +
                    std::string(kHeader) + "\"");
      }
      utf16Texts = line == kVersion5Header;
      headerSeen = true;
      continue;
    }
    if (line.front() == '[') {
      if (line.size() < 3 || line.back() != ']' || line[1] == '-') return refuse();
      const std::string_view path = std::string_view(line).substr(1, line.size() - 2);
      hive.ensureKey(path);
      for (std::size_t i = 0; i < hive.keys.size(); ++i) {
        if (equalsIgnoringCase(hive.keys[i].path, path)) currentKey = i;
      }
      inKey = true;
      continue;
    }
    if (!inKey) return refuse();
    auto value = parseValueLine(line, utf16Texts);
    if (!value) return refuse();
    hive.keys[currentKey].setValue(value->name, value->type, std::move(value->data));
  }
  if (!headerSeen) return fail("it is empty");
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
