#include "serial/stored_text.h"

#include <algorithm>
#include <cstring>
#include <limits>

std::vector<std::uint8_t> storedForm(std::string_view text, std::size_t dataLength) {
  std::vector<std::uint8_t> data(dataLength, 0);
  const std::size_t copied = std::min(text.size(), dataLength);
  if (copied > 0) std::memcpy(data.data(), text.data(), copied);
  return data;
}

std::string textOfData(const std::uint8_t* data, std::size_t dataLength) {
  const auto* first = reinterpret_cast<const char*>(data);
  const auto* end = static_cast<const char*>(std::memchr(first, 0, dataLength));
  return std::string(first, end != nullptr ? static_cast<std::size_t>(end - first) : dataLength);
}

std::int32_t numberOfText(std::string_view text) {
  std::size_t pos = 0;
  auto isSpace = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (pos < text.size() && isSpace(text[pos])) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
  std::int64_t value = 0;
  while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
    value = std::min(value * 10 + (text[pos] - '0'), kLimit + 1);
    ++pos;
  }
  if (negative) return static_cast<std::int32_t>(-value);
  return static_cast<std::int32_t>(std::min(value, kLimit));
}
