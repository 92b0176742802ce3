// Wall-clock times as people and analysers read them: ISO 8601 in UTC with
// microseconds ("2026-12-08T17:45:01.250000Z"), counted as microseconds
// since 1970-01-01T00:00:00Z. Pure arithmetic on the proleptic Gregorian
// calendar, so it gives the same text on every system and in every zone.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// "2026-12-08T17:45:01.250000Z"; times before 1970 are shown as 1970.
std::string utcTimeText(std::int64_t microsSinceEpoch);

// Reads "YYYY-MM-DDTHH:MM:SS" with an optional fraction of up to 6 digits
// and an optional "Z" (a blank may stand for the "T"); nullopt for anything
// else, for a field out of its range, or for a time before 1970.
std::optional<std::int64_t> parseUtcTime(std::string_view text);

// The wall clock now, in microseconds since 1970.
std::int64_t wallClockMicrosNow();
