// The line parameters of a port: four tables pairing the texts the settings
// use with the values the port's line state takes, and the LineSettingsWord
// that packs one index into each table for one port.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Bits 0-3 baud rate index, 4-5 data bits index, 6 stop bits index,
// 8-10 parity index; bit 7 and bits 11-31 are not read.
using LineSettingsWord = std::int32_t;

struct LineSettingEntry {
  std::string_view text;
  std::int32_t value;
};

inline constexpr std::array<LineSettingEntry, 15> BaudRateTable{{
    {"110", 110},
    {"300", 300},
    {"600", 600},
    {"1200", 1200},
    {"2400", 2400},
    {"4800", 4800},
    {"9600", 9600},
    {"14400", 14400},
    {"19200", 19200},
    {"38400", 38400},
    {"56000", 56000},
    {"57600", 57600},
    {"115200", 115200},
    {"128000", 128000},
    {"256000", 256000},
}};

// Values are byte sizes.
inline constexpr std::array<LineSettingEntry, 4> DataBitsTable{{
    {"5", 5},
    {"6", 6},
    {"7", 7},
    {"8", 8},
}};

// Values are stop-bit codes: 0 one stop bit, 2 two stop bits.
inline constexpr std::array<LineSettingEntry, 2> StopBitsTable{{
    {"1", 0},
    {"2", 2},
}};

// Values are parity codes; EVEN comes before ODD although its code is larger.
inline constexpr std::array<LineSettingEntry, 5> ParityTable{{
    {"NONE", 0},
    {"EVEN", 2},
    {"ODD", 1},
    {"MARK", 3},
    {"SPACE", 4},
}};

namespace LineSettingsField {
inline constexpr int kBaudShift = 0;
inline constexpr int kDataBitsShift = 4;
inline constexpr int kStopBitsShift = 6;
inline constexpr int kParityShift = 8;
inline constexpr std::int32_t kBaudMask = 0xF;
inline constexpr std::int32_t kDataBitsMask = 0x3;
inline constexpr std::int32_t kStopBitsMask = 0x1;
inline constexpr std::int32_t kParityMask = 0x7;
}  // namespace LineSettingsField

inline int baudIndexOf(LineSettingsWord word) {
  return (word >> LineSettingsField::kBaudShift) & LineSettingsField::kBaudMask;
}
inline int dataBitsIndexOf(LineSettingsWord word) {
  return (word >> LineSettingsField::kDataBitsShift) & LineSettingsField::kDataBitsMask;
}
inline int stopBitsIndexOf(LineSettingsWord word) {
  return (word >> LineSettingsField::kStopBitsShift) & LineSettingsField::kStopBitsMask;
}
inline int parityIndexOf(LineSettingsWord word) {
  return (word >> LineSettingsField::kParityShift) & LineSettingsField::kParityMask;
}

// The index of the first entry whose text equals text exactly (case and
// blanks count), or the table's entry count when none does.
template <std::size_t N>
int lineSettingIndex(const std::array<LineSettingEntry, N>& table, std::string_view text) {
  for (std::size_t i = 0; i < N; ++i) {
    if (table[i].text == text) return static_cast<int>(i);
  }
  return static_cast<int>(N);
}

// A baud rate typed where the list has no entry: a whole number of baud in
// decimal digits alone (no blank, sign or point), from 50 to 4,000,000.
// Such a text encodes like any text outside the table, as the table's entry
// count; the rate it spells travels beside the word, per port, in
// MonitorState::typedBaudRate, and openPort takes it from there.
inline constexpr std::uint32_t kLowestTypedBaudRate = 50;
inline constexpr std::uint32_t kHighestTypedBaudRate = 4'000'000;
inline constexpr int kTypedBaudIndex = static_cast<int>(BaudRateTable.size());

// The rate text spells when it is a typed baud rate as above.
std::optional<std::uint32_t> typedBaudRate(std::string_view text);

// Why text is no typed baud rate ("is empty", "holds \" \", which is not a
// digit", "is above 4000000"); empty when it is one.
std::string typedBaudRateFault(std::string_view text);
