#include <gtest/gtest.h>

#include <random>

#include "platform/registry/hive.h"
#include "platform/registry/registry_backend.h"

namespace {

using platform::Hive;
using platform::parseHive;
using Bytes = std::vector<std::uint8_t>;

constexpr const char* kKey = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Korvane";

Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

TEST(HiveFormat, TextValuesThatAreTextAndOneTerminatorStayReadable) {
  Hive hive;
  auto& key = hive.ensureKey(kKey);
  key.setValue("DataBit1", platform::kRegSz, Bytes{'8', 0});
  key.setValue("Path", platform::kRegSz, bytesOf(std::string("a\\b\"c") + '\0'));
  key.setValue("", platform::kRegSz, Bytes{'x', 0});
  const std::string text = platform::formatHive(hive);
  EXPECT_EQ(text,
            "REGEDIT4\r\n\r\n"
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Korvane]\r\n"
            "\"DataBit1\"=\"8\"\r\n"
            "\"Path\"=\"a\\\\b\\\"c\"\r\n"
            "@=\"x\"\r\n"
            "\r\n");
  EXPECT_EQ(parseHive(text), hive);
}

TEST(HiveFormat, ExactBytesWithoutTerminatorOrWithFillerUseHexOne) {
  Hive hive;
  auto& key = hive.ensureKey(kKey);
  key.setValue("MEMSIZE", platform::kRegSz, bytesOf("16"));
  key.setValue("Port1", platform::kRegSz, Bytes{'C', 'O', 'M', '3', 0, 0, 0, 0});
  key.setValue("Disable", platform::kRegSz, bytesOf("0"));
  key.setValue("Empty", platform::kRegSz, Bytes{});
  key.setValue("High", platform::kRegSz, Bytes{0xE9, 0});
  const std::string text = platform::formatHive(hive);
  EXPECT_NE(text.find("\"MEMSIZE\"=hex(1):31,36\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\"Port1\"=hex(1):43,4f,4d,33,00,00,00,00\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"Disable\"=hex(1):30\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"Empty\"=hex(1):\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"High\"=hex(1):e9,00\r\n"), std::string::npos);
  EXPECT_EQ(parseHive(text), hive);
}

TEST(HiveFormat, OtherTypesAndLongValuesRoundTrip) {
  Hive hive;
  auto& key = hive.ensureKey(kKey);
  key.setValue("Number", platform::kRegDword, Bytes{0x78, 0x56, 0x34, 0x12});
  key.setValue("Blob", platform::kRegBinary, Bytes{1, 2, 3});
  key.setValue("Odd", 0x2A, Bytes{0xFF});
  Bytes longData(100);
  for (std::size_t i = 0; i < longData.size(); ++i) longData[i] = static_cast<std::uint8_t>(i);
  key.setValue("Long", platform::kRegSz, longData);
  hive.ensureKey("HKEY_CURRENT_USER\\Other");
  const std::string text = platform::formatHive(hive);
  EXPECT_NE(text.find("\"Number\"=dword:12345678\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"Blob\"=hex:01,02,03\r\n"), std::string::npos);
  EXPECT_NE(text.find("\"Odd\"=hex(2a):ff\r\n"), std::string::npos);
  EXPECT_NE(text.find(",\\\r\n  "), std::string::npos) << "long lists continue on the next line";
  EXPECT_EQ(parseHive(text), hive);
}

TEST(HiveParse, AcceptsWhatPeopleAndEditorsWrite) {
  const std::string text =
      "\xEF\xBB\xBFREGEDIT4\n"
      "; settings of the monitor\n"
      "\n"
      "[hkey_local_machine\\system\\currentcontrolset\\services\\korvane]\n"
      "\"Port1\" = \"COM5\"\n"
      "\"Parity1\"=hex(1):45,56,\\\n"
      "    45,4e,00\n"
      "\"N\"=dword:1\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Korvane]\r\n"
      "\"PORT1\"=\"COM6\"\r\n";
  const auto hive = parseHive(text);
  ASSERT_TRUE(hive.has_value());
  ASSERT_EQ(hive->keys.size(), 1u) << "key names are compared without letter case";
  const auto* key = hive->findKey(kKey);
  ASSERT_NE(key, nullptr);
  EXPECT_EQ(key->findValue("port1")->data, (Bytes{'C', 'O', 'M', '6', 0})) << "the last one wins";
  EXPECT_EQ(key->findValue("Parity1")->data, (Bytes{'E', 'V', 'E', 'N', 0}));
  EXPECT_EQ(key->findValue("Parity1")->type, platform::kRegSz);
  EXPECT_EQ(key->findValue("N")->data, (Bytes{1, 0, 0, 0}));
}

TEST(HiveParse, ADamagedFileIsRefusedWhole) {
  const std::string head = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\K]\r\n";
  const char* const damaged[] = {
      "",
      "REGEDIT5\r\n",
      "Windows Registry Editor Version 4.00\r\n",
      "\"Port1\"=\"COM3\"\r\nREGEDIT4\r\n",
      "REGEDIT4\r\n\"Port1\"=\"COM3\"\r\n",  // a value outside any key
      "REGEDIT4\r\n[]\r\n",
      "REGEDIT4\r\n[-HKEY_LOCAL_MACHINE\\K]\r\n",
      "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\K\r\n",
  };
  for (const char* text : damaged) EXPECT_FALSE(parseHive(text).has_value()) << text;
  const char* const badValues[] = {
      "\"Port1\"=\"COM3",
      "\"Port1\"=\"C\\OM3\"",
      "\"Port1\"=COM3",
      "\"Port1\"=-",
      "\"Port1\"",
      "Port1=\"COM3\"",
      "\"Port1\"=hex(1):4g",
      "\"Port1\"=hex(1):431",
      "\"Port1\"=hex(1):43,,44",
      "\"Port1\"=hex(1):43,",
      "\"Port1\"=hex(x):43",
      "\"Port1\"=dword:123456789",
      "\"Port1\"=dword:",
      "\"Port1\"=\"a\" junk",
      "\"Port1\"=hex(1):43,\\",
      "garbage",
  };
  for (const char* line : badValues) {
    EXPECT_FALSE(parseHive(head + line + "\r\n").has_value()) << line;
  }
  EXPECT_TRUE(parseHive(head + "\"Port1\"=\"COM3\"\r\n").has_value()) << "the head itself is fine";
}

// UTF-16LE with its byte-order mark, as the registry editor exports.
std::string utf16LeWithBom(std::string_view ascii) {
  std::string out = "\xFF\xFE";
  for (char c : ascii) {
    out += c;
    out += '\0';
  }
  return out;
}

TEST(HiveParse, ReadsTheEditorsVersion5ExportInEachEncoding) {
  // Text values in the hex forms are UTF-16LE in this format: filler and a
  // missing terminator keep their places in the narrow text.
  const std::string body =
      "Windows Registry Editor Version 5.00\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Korvane]\r\n"
      "\"Port1\"=\"COM9\"\r\n"
      "\"POLLTIME\"=hex(1):32,00,35,00,00,00,00,00\r\n"
      "\"Port2\"=hex(1):43,00,4f,00,4d,00,31,00,32,00,33,00,\\\r\n"
      "  34,00,35,00\r\n"
      "\"Path\"=hex(2):25,00,41,00,25,00,00,00\r\n"
      "\"List\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
      "\"Blob\"=hex:31,00\r\n"
      "\"N\"=dword:0000000a\r\n";
  const std::string forms[] = {utf16LeWithBom(body), "\xEF\xBB\xBF" + body, body};
  for (const std::string& text : forms) {
    std::string failure;
    const auto hive = parseHive(text, &failure);
    ASSERT_TRUE(hive.has_value()) << failure;
    const auto* key = hive->findKey(kKey);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->findValue("Port1")->data, bytesOf(std::string("COM9\0", 5)));
    EXPECT_EQ(key->findValue("POLLTIME")->data, bytesOf(std::string("25\0\0", 4)));
    EXPECT_EQ(key->findValue("POLLTIME")->type, platform::kRegSz);
    EXPECT_EQ(key->findValue("Port2")->data, bytesOf("COM12345"));
    EXPECT_EQ(key->findValue("Path")->data, bytesOf(std::string("%A%\0", 4)));
    EXPECT_EQ(key->findValue("List")->data, bytesOf(std::string("a\0b\0\0", 5)));
    EXPECT_EQ(key->findValue("Blob")->data, (Bytes{0x31, 0x00})) << "binary stays as it is";
    EXPECT_EQ(key->findValue("N")->data, (Bytes{10, 0, 0, 0}));
    // Written back in this program's own form, it reads the same.
    EXPECT_EQ(parseHive(platform::formatHive(*hive)), hive);
  }
}

TEST(HiveParse, TextBeyondAsciiInVersion5BecomesUtf8) {
  // "Gerät" with a character outside the basic plane, in UTF-16LE.
  std::string text =
      utf16LeWithBom("Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\K]\r\n\"");
  text += std::string("G\0r\0\xE4\0t\0", 8);
  text += std::string("\x3D\xD8\x00\xDE", 4);  // U+1F600
  text += std::string("\"\0=\0\"\0x\0\"\0", 10);
  const auto hive = parseHive(text);
  ASSERT_TRUE(hive.has_value());
  const auto* key = hive->findKey("HKEY_CURRENT_USER\\K");
  ASSERT_NE(key, nullptr);
  ASSERT_EQ(key->values.size(), 1u);
  EXPECT_EQ(key->values[0].name, "Gr\xC3\xA4t\xF0\x9F\x98\x80");
}

TEST(HiveParse, ARefusedFileSaysWhy) {
  struct Case {
    std::string text;
    std::string reason;
  };
  const Case cases[] = {
      {"", "it is empty"},
      {"shopping list\n",
       "it does not start with \"Windows Registry Editor Version 5.00\" or \"REGEDIT4\""},
      {"REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\K]\r\n\"a\"=\"1\"\r\n\"b\"=oops\r\n",
       "line 5 is not understood: \"b\"=oops"},
      {"REGEDIT4\r\n[K]\r\n\"a\"=hex(1):31,\\\r\n  zz\r\n",
       "line 3 is not understood: \"a\"=hex(1):31,zz"},
      {"\xFF\xFEW\0\0\xDC", "it starts as UTF-16 text but is not valid UTF-16"},
      {utf16LeWithBom("Windows Registry Editor Version 5.00\r\n[K]\r\n\"a\"=hex(1):31\r\n"),
       "line 3 is not understood: \"a\"=hex(1):31"},  // half a UTF-16 unit
      {"REGEDIT4\r\n[K]\r\n\"" + std::string(80, 'x') + "\r\n",
       "line 3 is not understood: \"" + std::string(59, 'x') + "..."},
  };
  for (const Case& c : cases) {
    std::string failure;
    EXPECT_FALSE(parseHive(c.text, &failure).has_value()) << c.text;
    EXPECT_EQ(failure, c.reason);
  }
}

TEST(HiveFormat, AnyHiveComesBackFromItsTextExactly) {
  std::mt19937 random(20240607);
  auto pick = [&](int below) { return static_cast<int>(random() % static_cast<unsigned>(below)); };
  // Names may hold any byte but a line break; a key name does not start with '-'.
  auto name = [&](int maxLength) {
    std::string text;
    const int length = pick(maxLength + 1);
    for (int i = 0; i < length; ++i) {
      char c = static_cast<char>(pick(256));
      if (c == '\r' || c == '\n') c = '\\';
      text += c;
    }
    return text;
  };
  const std::uint32_t types[] = {
      platform::kRegSz, platform::kRegBinary, platform::kRegDword, 0, 7, 0x2A};
  for (int round = 0; round < 300; ++round) {
    Hive hive;
    const int keyCount = pick(4);
    for (int k = 0; k < keyCount; ++k) {
      std::string path = "HKEY_LOCAL_MACHINE\\" + name(12);
      auto& key = hive.ensureKey(path);
      const int valueCount = pick(6);
      for (int v = 0; v < valueCount; ++v) {
        Bytes data(static_cast<std::size_t>(pick(70)));
        for (auto& byte : data) byte = static_cast<std::uint8_t>(pick(3) == 0 ? 0 : pick(256));
        if (pick(3) == 0) data = Bytes{'t', 'e', 'x', 't', 0};  // the readable form
        key.setValue(name(10), types[pick(6)], data);
      }
    }
    const std::string text = platform::formatHive(hive);
    const auto parsed = parseHive(text);
    ASSERT_TRUE(parsed.has_value()) << text;
    ASSERT_EQ(*parsed, hive) << text;
  }
}

}  // namespace
