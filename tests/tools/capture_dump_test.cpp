// korvane-dump run as a user runs it, on capture files written by the test.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/tools/child_process.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

struct Record {
  int tag;
  std::string label;  // 8 characters
  Bytes data;
};

Bytes encode(const std::vector<Record>& records) {
  Bytes file;
  for (const Record& r : records) {
    file.push_back(static_cast<std::uint8_t>(r.data.size()));
    file.push_back(static_cast<std::uint8_t>(r.tag));
    file.insert(file.end(), r.label.begin(), r.label.end());
    file.insert(file.end(), r.data.begin(), r.data.end());
  }
  return file;
}

std::string printable(const Bytes& data) {
  std::string text;
  for (std::uint8_t b : data) text += (b >= 0x20 && b <= 0x7e) ? static_cast<char>(b) : '.';
  return text;
}

std::string trimmedLabel(std::string label) {
  while (!label.empty() && (label.back() == ' ' || label.back() == ':')) label.pop_back();
  return label;
}

std::string portName(int tag) { return tag == 1 ? "A" : tag == 2 ? "B" : std::to_string(tag); }

Bytes fromHex(const std::string& hex) {
  Bytes bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

// Fields of one CSV line, quotes undone.
std::vector<std::string> csvFields(const std::string& line) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        fields.back() += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.emplace_back();
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

// A flat JSON object of strings and whole numbers, as text by key.
std::map<std::string, std::string> jsonFields(const std::string& line) {
  std::map<std::string, std::string> fields;
  std::size_t at = 1;
  auto readString = [&]() {
    std::string text;
    ++at;  // opening quote
    while (line[at] != '"') {
      if (line[at] == '\\') ++at;
      text += line[at++];
    }
    ++at;
    return text;
  };
  while (at < line.size() && line[at] != '}') {
    const std::string key = readString();
    ++at;  // colon
    if (line[at] == '"') {
      fields[key] = readString();
    } else {
      const std::size_t end = line.find_first_of(",}", at);
      fields[key] = line.substr(at, end - at);
      at = end;
    }
    if (line[at] == ',') ++at;
  }
  return fields;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

class CaptureDump : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/capture-dump-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path write(const std::string& name, const Bytes& bytes) {
    const fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  tool_test::ChildOutcome dump(const std::vector<std::string>& args) {
    return tool_test::runChild(DUMP_EXECUTABLE, args, dir_);
  }

  fs::path dir_;
};

const std::vector<Record> kKnownRecords{
    {1, "000001: ", {'A', 'T', '\r'}},
    {2,
     "000001: ",
     {'"', '\\', ',', 0x7f, 0x80, 0xff, '0', '1', '2', '3', '4', '5', '6', '7', '8', '9'}},
    {2, "1000000:", {'A'}},
    {3, "12345678", {' ', '~'}},
};

TEST_F(CaptureDump, TextLaysOutEachRecordAsTheWindowsRowWithItsPort) {
  const fs::path file = write("known.kvn", encode(kKnownRecords));
  const auto result = dump({file.string()});
  EXPECT_EQ(result.status, 0) << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(result.out,
            "000001: A AT.                  41 54 0d\n"
            "000001: B \"\\,...0123456789     22 5c 2c 7f 80 ff 30 31 32 33 34 35 36 37 38 39\n"
            "1000000:B A                    41\n"
            "12345678?  ~                   20 7e\n");
}

// Many records of every length, past the reader's 64 KiB buffer, read back
// from csv and jsonl field by field.
TEST_F(CaptureDump, CsvAndJsonlReadBackToTheSameRecords) {
  std::vector<Record> records = kKnownRecords;
  std::mt19937 random(7);
  for (int i = 0; i < 6000; ++i) {
    Record r{1 + static_cast<int>(random() % 2), "", {}};
    char label[16];
    std::snprintf(label, sizeof label, "%06d: ", i / 3);
    r.label = label;
    r.data.resize(1 + random() % 16);
    for (auto& b : r.data) b = static_cast<std::uint8_t>(random());
    records.push_back(r);
  }
  const fs::path file = write("many.kvn", encode(records));

  for (const std::string format : {"csv", "jsonl"}) {
    SCOPED_TRACE(format);
    const auto result = dump({"--format", format, file.string()});
    ASSERT_EQ(result.status, 0) << result.err;
    std::vector<std::string> rows = lines(result.out);
    if (format == "csv") {
      ASSERT_FALSE(rows.empty());
      EXPECT_EQ(rows.front(), "offset,label,port,length,hex,text");
      rows.erase(rows.begin());
    }
    ASSERT_EQ(rows.size(), records.size());
    std::size_t offset = 0;
    for (std::size_t i = 0; i < records.size(); ++i) {
      std::map<std::string, std::string> got;
      if (format == "csv") {
        const auto fields = csvFields(rows[i]);
        ASSERT_EQ(fields.size(), 6u) << rows[i];
        got = {{"offset", fields[0]}, {"label", fields[1]}, {"port", fields[2]},
               {"length", fields[3]}, {"hex", fields[4]},   {"text", fields[5]}};
      } else {
        got = jsonFields(rows[i]);
      }
      const Record& r = records[i];
      ASSERT_EQ(got["offset"], std::to_string(offset)) << rows[i];
      EXPECT_EQ(got["label"], trimmedLabel(r.label));
      EXPECT_EQ(got["port"], portName(r.tag));
      EXPECT_EQ(got["length"], std::to_string(r.data.size()));
      EXPECT_EQ(fromHex(got["hex"]), r.data);
      EXPECT_EQ(got["text"], printable(r.data));
      offset += 10 + r.data.size();
    }
  }
}

struct MalformedCase {
  const char* name;
  Bytes tail;  // after one whole record of 13 bytes
  const char* reason;
};

TEST_F(CaptureDump, AFileThatIsNotACaptureStopsAtTheFaultsOffsetWithStatus2) {
  const Bytes good = encode({kKnownRecords[0]});
  const std::vector<MalformedCase> cases{
      {"zero length", {0x00, 0x01, 'x'}, "length byte 0"},
      {"length 17", {17, 1, '0', '0', '0', '0', '0', '1', ':', ' '}, "length byte 17 is above 16"},
      {"length 255", {0xff}, "length byte 255 is above 16"},
      {"cut record",
       {5, 1, '0', '0', '0', '0', '0', '1', ':', ' ', 'a', 'b'},
       "record of 15 bytes cut by the end of the file after 12"},
  };
  for (const MalformedCase& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bytes = good;
    bytes.insert(bytes.end(), c.tail.begin(), c.tail.end());
    const fs::path file = write("bad.kvn", bytes);
    const auto result = dump({"--format", "csv", file.string()});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(lines(result.out).size(), 2u) << result.out;  // header and the good record
    EXPECT_NE(result.err.find("at byte offset 13: " + std::string(c.reason)), std::string::npos)
        << result.err;
  }
}

struct CommandLineCase {
  std::vector<std::string> args;  // "FILE" stands for a small capture file's name
  int status;
  const char* outHas;
  const char* errHas;
};

TEST_F(CaptureDump, CommandLineFollowsTheUsualConventions) {
  const fs::path file = write("-dash.kvn", encode(kKnownRecords));
  const std::vector<CommandLineCase> cases{
      {{"--help"}, 0, "--format", ""},
      {{"--version"}, 0, "korvane-dump 1.4", ""},
      {{"--", "FILE", "--port", "B"}, 1, "AT.", "cannot open --port"},
      {{"--", "FILE"}, 0, "AT.", ""},
      {{"--port=B", "--format=csv", "--", "FILE"}, 0, "1000000,B,1,41", ""},
      {{"./FILE", "--format", "jsonl", "--port", "a"}, 0, "\"port\":\"A\",\"length\":3", ""},
      {{"--raw", "--", "FILE"}, 2, "", "add --port A or --port B"},
      {{"--raw", "--port", "A", "--format", "csv", "--", "FILE"}, 2, "", "takes no --format"},
      {{"--format=text", "--port", "B", "--raw", "--", "FILE"}, 2, "", "takes no --format"},
      {{"--raw", "--port", "A", "--", "FILE"}, 0, "AT", ""},
      {{"--format", "xml", "--", "FILE"}, 2, "", "text, csv, jsonl or pcap"},
      {{"--port", "C"}, 2, "", "--port takes A or B"},
      {{"--colour"}, 2, "", "unknown option --colour"},
      {{"--format"}, 2, "", "--format needs a value"},
      {{"no-such.kvn"}, 1, "", "cannot open no-such.kvn"},
  };
  for (const CommandLineCase& c : cases) {
    std::vector<std::string> args;
    for (std::string a : c.args) {
      if (const auto at = a.find("FILE"); at != std::string::npos) {
        a.replace(at, 4, file.filename().string());
      }
      args.push_back(a);
    }
    SCOPED_TRACE(::testing::PrintToString(args));
    const auto result = dump(args);
    EXPECT_EQ(result.status, c.status) << result.err;
    EXPECT_NE(result.out.find(c.outHas), std::string::npos) << result.out;
    EXPECT_NE(result.err.find(c.errHas), std::string::npos) << result.err;
  }
}

}  // namespace
