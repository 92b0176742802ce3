#include "serial/line_settings.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "serial/stored_text.h"

namespace {

TEST(LineSettingsTables, TextsAndValuesInTableOrder) {
  const char* const baudTexts[] = {"110",   "300",   "600",    "1200",   "2400",
                                   "4800",  "9600",  "14400",  "19200",  "38400",
                                   "56000", "57600", "115200", "128000", "256000"};
  ASSERT_EQ(BaudRateTable.size(), 15u);
  for (std::size_t i = 0; i < BaudRateTable.size(); ++i) {
    EXPECT_EQ(BaudRateTable[i].text, baudTexts[i]);
    EXPECT_EQ(BaudRateTable[i].value, std::stoi(baudTexts[i])) << "a rate's value is its number";
  }
  ASSERT_EQ(DataBitsTable.size(), 4u);
  for (std::size_t i = 0; i < DataBitsTable.size(); ++i) {
    EXPECT_EQ(DataBitsTable[i].text, std::to_string(5 + i));
    EXPECT_EQ(DataBitsTable[i].value, static_cast<int>(5 + i));
  }
  ASSERT_EQ(StopBitsTable.size(), 2u);
  EXPECT_EQ(StopBitsTable[0].text, "1");
  EXPECT_EQ(StopBitsTable[0].value, 0);
  EXPECT_EQ(StopBitsTable[1].text, "2");
  EXPECT_EQ(StopBitsTable[1].value, 2);
  ASSERT_EQ(ParityTable.size(), 5u);
  const char* const parityTexts[] = {"NONE", "EVEN", "ODD", "MARK", "SPACE"};
  const int parityCodes[] = {0, 2, 1, 3, 4};  // EVEN before ODD, with the larger code
  for (std::size_t i = 0; i < ParityTable.size(); ++i) {
    EXPECT_EQ(ParityTable[i].text, parityTexts[i]);
    EXPECT_EQ(ParityTable[i].value, parityCodes[i]);
  }
}

TEST(LineSettingsTables, LookupIsExactAndGivesTheEntryCountWhenNothingMatches) {
  EXPECT_EQ(lineSettingIndex(ParityTable, "EVEN"), 1);
  EXPECT_EQ(lineSettingIndex(ParityTable, "Even"), 5);
  EXPECT_EQ(lineSettingIndex(ParityTable, "even"), 5);
  EXPECT_EQ(lineSettingIndex(BaudRateTable, "115200"), 12);
  EXPECT_EQ(lineSettingIndex(BaudRateTable, "115200 "), 15);
  EXPECT_EQ(lineSettingIndex(BaudRateTable, " 110"), 15);
  EXPECT_EQ(lineSettingIndex(DataBitsTable, ""), 4);
  EXPECT_EQ(lineSettingIndex(StopBitsTable, "1.5"), 2);
}

TEST(LineSettingsWordFields, EachFieldIsReadFromItsOwnBits) {
  // 14 baud, 3 data bits, 1 stop bits, 4 parity, with bit 7 and high bits set.
  const LineSettingsWord word = 14 | (3 << 4) | (1 << 6) | (1 << 7) | (4 << 8) | (0x7F << 11);
  EXPECT_EQ(baudIndexOf(word), 14);
  EXPECT_EQ(dataBitsIndexOf(word), 3);
  EXPECT_EQ(stopBitsIndexOf(word), 1);
  EXPECT_EQ(parityIndexOf(word), 4);
  EXPECT_EQ(stopBitsIndexOf(1 << 7), 0) << "bit 7 is not read";
  EXPECT_EQ(parityIndexOf(1 << 11), 0) << "bits above 10 are not read";
}

TEST(StoredForm, TextAndTerminatorAreCutOrPaddedToTheDataLength) {
  using Bytes = std::vector<std::uint8_t>;
  EXPECT_EQ(storedForm("8", 2), (Bytes{'8', 0}));
  EXPECT_EQ(storedForm("16", 2), (Bytes{'1', '6'})) << "no room for the terminator";
  EXPECT_EQ(storedForm("COM3", 8), (Bytes{'C', 'O', 'M', '3', 0, 0, 0, 0}));
  EXPECT_EQ(storedForm("ttyUSB10", 8), (Bytes{'t', 't', 'y', 'U', 'S', 'B', '1', '0'}));
  EXPECT_EQ(storedForm("ttyUSB100", 8), (Bytes{'t', 't', 'y', 'U', 'S', 'B', '1', '0'}));
  EXPECT_EQ(storedForm("", 1), (Bytes{0}));
  EXPECT_EQ(storedForm("0", 1), (Bytes{'0'}));
  EXPECT_EQ(storedForm("anything", 0), Bytes{});
}

TEST(StoredForm, TextEndsAtTheFirstZeroByteOrTheDataEnd) {
  const std::uint8_t withTerminator[] = {'C', 'O', 'M', '3', 0, 'X', 'Y', 0};
  EXPECT_EQ(textOfData(withTerminator, sizeof withTerminator), "COM3");
  const std::uint8_t withoutTerminator[] = {'1', '6'};
  EXPECT_EQ(textOfData(withoutTerminator, 2), "16");
  EXPECT_EQ(textOfData(withoutTerminator, 0), "");
  const std::uint8_t leadingZero[] = {0, '1'};
  EXPECT_EQ(textOfData(leadingZero, 2), "");
}

TEST(NumberOfText, FollowsTheAtoiRule) {
  EXPECT_EQ(numberOfText("10"), 10);
  EXPECT_EQ(numberOfText("  \t42"), 42);
  EXPECT_EQ(numberOfText("+7"), 7);
  EXPECT_EQ(numberOfText("-5"), -5);
  EXPECT_EQ(numberOfText("16MB"), 16);
  EXPECT_EQ(numberOfText("abc"), 0);
  EXPECT_EQ(numberOfText(""), 0);
  EXPECT_EQ(numberOfText("- 5"), 0);
  EXPECT_EQ(numberOfText("1 2"), 1);
  EXPECT_EQ(numberOfText("99999999999"), 2147483647) << "held at the 32-bit range";
  EXPECT_EQ(numberOfText("-99999999999"), -2147483647 - 1);
}

TEST(TypedBaudRate, DigitsAloneFrom50To4000000AreARateAndAnythingElseSaysWhyNot) {
  struct Case {
    const char* text;
    std::optional<std::uint32_t> rate;
    const char* fault;
  };
  const Case cases[] = {
      {"50", 50, ""},
      {"921600", 921600, ""},
      {"3000000", 3000000, ""},
      {"4000000", 4000000, ""},
      {"0009600", 9600, ""},
      {"49", std::nullopt, "is below 50"},
      {"0", std::nullopt, "is below 50"},
      {"4000001", std::nullopt, "is above 4000000"},
      {"99999999999999999999999", std::nullopt, "is above 4000000"},
      {"", std::nullopt, "is empty"},
      {" 9600", std::nullopt, "holds \" \", which is not a digit"},
      {"9600\t", std::nullopt, "holds \"\t\", which is not a digit"},
      {"-9600", std::nullopt, "holds \"-\", which is not a digit"},
      {"9600.5", std::nullopt, "holds \".\", which is not a digit"},
      {"1e6", std::nullopt, "holds \"e\", which is not a digit"},
      {"abc", std::nullopt, "holds \"a\", which is not a digit"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(typedBaudRate(c.text), c.rate) << '"' << c.text << '"';
    EXPECT_EQ(typedBaudRateFault(c.text), c.fault) << '"' << c.text << '"';
  }
}

}  // namespace
