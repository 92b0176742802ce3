#include "capture/utc_time_text.h"

#include <chrono>
#include <cstdio>

namespace {

using namespace std::chrono;

constexpr std::int64_t kMicrosPerSecond = 1'000'000;
constexpr std::int64_t kSecondsPerDay = 86'400;

// Digits of text from at, exactly count of them; nullopt when any is not one.
std::optional<int> digits(std::string_view text, std::size_t at, std::size_t count) {
  if (at + count > text.size()) return std::nullopt;
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

}  // namespace

std::string utcTimeText(std::int64_t microsSinceEpoch) {
  if (microsSinceEpoch < 0) microsSinceEpoch = 0;
  const std::int64_t seconds = microsSinceEpoch / kMicrosPerSecond;
  const std::int64_t micros = microsSinceEpoch % kMicrosPerSecond;
  const sys_days day{days{seconds / kSecondsPerDay}};
  const year_month_day date{day};
  const std::int64_t secondOfDay = seconds % kSecondsPerDay;
  char text[40];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%06dZ", int(date.year()),
                unsigned(date.month()), unsigned(date.day()), int(secondOfDay / 3600),
                int(secondOfDay / 60 % 60), int(secondOfDay % 60), int(micros));
  return text;
}

std::optional<std::int64_t> parseUtcTime(std::string_view text) {
  const auto yearField = digits(text, 0, 4);
  const auto monthField = digits(text, 5, 2);
  const auto dayField = digits(text, 8, 2);
  const auto hourField = digits(text, 11, 2);
  const auto minuteField = digits(text, 14, 2);
  const auto secondField = digits(text, 17, 2);
  if (!yearField || !monthField || !dayField || !hourField || !minuteField || !secondField ||
      text[4] != '-' || text[7] != '-' || (text[10] != 'T' && text[10] != ' ') || text[13] != ':' ||
      text[16] != ':') {
    return std::nullopt;
  }
  std::size_t at = 19;
  std::int64_t micros = 0;
  if (at < text.size() && text[at] == '.') {
    ++at;
    int fractionDigits = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
      if (++fractionDigits > 6) return std::nullopt;
      micros = micros * 10 + (text[at] - '0');
      ++at;
    }
    if (fractionDigits == 0) return std::nullopt;
    for (int i = fractionDigits; i < 6; ++i) micros *= 10;
  }
  if (at < text.size() && text[at] == 'Z') ++at;
  if (at != text.size()) return std::nullopt;

  const year_month_day date{year{*yearField}, month{unsigned(*monthField)},
                            day{unsigned(*dayField)}};
  if (!date.ok() || *yearField < 1970 || *hourField > 23 || *minuteField > 59 ||
      *secondField > 59) {
    return std::nullopt;
  }
  const std::int64_t dayNumber = sys_days{date}.time_since_epoch().count();
  const std::int64_t seconds =
      dayNumber * kSecondsPerDay + *hourField * 3600 + *minuteField * 60 + *secondField;
  return seconds * kMicrosPerSecond + micros;
}

std::int64_t wallClockMicrosNow() {
  return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}
