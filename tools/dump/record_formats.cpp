#include "tools/dump/record_formats.h"

#include <array>
#include <cstring>

namespace capture_text {

namespace {

constexpr int kCharColumnWidth = 16;
constexpr int kGapBeforeHex = 4;  // the window's cells 24 to 27

constexpr char kHexDigits[] = "0123456789abcdef";

constexpr std::array<char, 256> makePrintable() {
  std::array<char, 256> table{};
  for (int i = 0; i < 256; ++i)
    table[static_cast<std::size_t>(i)] = (i >= 0x20 && i <= 0x7e) ? static_cast<char>(i) : '.';
  return table;
}
constexpr std::array<char, 256> kPrintable = makePrintable();

char* putHex(char* out, std::uint8_t byte) {
  *out++ = kHexDigits[byte >> 4];
  *out++ = kHexDigits[byte & 0x0F];
  return out;
}

char* putDecimal(char* out, std::uint64_t value) {
  char digits[20];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count > 0) *out++ = digits[--count];
  return out;
}

char* putPrintable(char* out, const std::uint8_t* bytes, int count) {
  for (int i = 0; i < count; ++i) *out++ = kPrintable[bytes[i]];
  return out;
}

// The label as a value: its printable form without the colon and blanks
// that follow the poll number.
int trimmedLabelLength(const std::uint8_t* label) {
  int length = static_cast<int>(kLabelBytes);
  while (length > 0 && (label[length - 1] == ' ' || label[length - 1] == ':')) --length;
  return length;
}

char* putPort(char* out, int tag) {
  if (tag == 1) {
    *out++ = 'A';
  } else if (tag == 2) {
    *out++ = 'B';
  } else {
    out = putDecimal(out, static_cast<std::uint64_t>(tag));
  }
  return out;
}

// Printable text with the quote doubled, as CSV quotes a field.
char* putCsvQuoted(char* out, const std::uint8_t* bytes, int count) {
  *out++ = '"';
  for (int i = 0; i < count; ++i) {
    const char c = kPrintable[bytes[i]];
    if (c == '"') *out++ = '"';
    *out++ = c;
  }
  *out++ = '"';
  return out;
}

// Printable text as a JSON string: only the quote and the backslash need
// escaping, since control bytes are already shown as '.'.
char* putJsonString(char* out, const std::uint8_t* bytes, int count) {
  *out++ = '"';
  for (int i = 0; i < count; ++i) {
    const char c = kPrintable[bytes[i]];
    if (c == '"' || c == '\\') *out++ = '\\';
    *out++ = c;
  }
  *out++ = '"';
  return out;
}

char* putLiteral(char* out, std::string_view text) {
  std::memcpy(out, text.data(), text.size());
  return out + text.size();
}

void writeText(const RecordView& r, OutputBuffer& buffer, std::string_view time) {
  char* out = buffer.reserveLine();
  if (!time.empty()) {
    out = putLiteral(out, time);
    *out++ = ' ';
  }
  out = putPrintable(out, r.label, static_cast<int>(kLabelBytes));
  *out++ = r.portTag == 1 ? 'A' : r.portTag == 2 ? 'B' : '?';
  *out++ = ' ';
  out = putPrintable(out, r.data, r.length);
  const int pad = kCharColumnWidth - r.length + kGapBeforeHex;
  std::memset(out, ' ', static_cast<std::size_t>(pad));
  out += pad;
  for (int i = 0; i < r.length; ++i) {
    *out++ = ' ';
    out = putHex(out, r.data[i]);
  }
  *out++ = '\n';
  buffer.commit(out);
}

void writeCsv(const RecordView& r, OutputBuffer& buffer, std::string_view time) {
  char* out = buffer.reserveLine();
  out = putDecimal(out, r.offset);
  *out++ = ',';
  // A label of foreign bytes may hold a comma or a quote: then it is quoted.
  const int labelLength = trimmedLabelLength(r.label);
  bool needsQuotes = false;
  for (int i = 0; i < labelLength; ++i) {
    const char c = kPrintable[r.label[i]];
    needsQuotes = needsQuotes || c == ',' || c == '"';
  }
  out = needsQuotes ? putCsvQuoted(out, r.label, labelLength)
                    : putPrintable(out, r.label, labelLength);
  *out++ = ',';
  if (!time.empty()) {
    out = putLiteral(out, time);
    *out++ = ',';
  }
  out = putPort(out, r.portTag);
  *out++ = ',';
  out = putDecimal(out, static_cast<std::uint64_t>(r.length));
  *out++ = ',';
  for (int i = 0; i < r.length; ++i) out = putHex(out, r.data[i]);
  *out++ = ',';
  out = putCsvQuoted(out, r.data, r.length);
  *out++ = '\n';
  buffer.commit(out);
}

void writeJsonl(const RecordView& r, OutputBuffer& buffer, std::string_view time) {
  char* out = buffer.reserveLine();
  out = putLiteral(out, "{\"offset\":");
  out = putDecimal(out, r.offset);
  out = putLiteral(out, ",\"label\":");
  out = putJsonString(out, r.label, trimmedLabelLength(r.label));
  if (!time.empty()) {
    out = putLiteral(out, ",\"time\":\"");
    out = putLiteral(out, time);
    *out++ = '"';
  }
  out = putLiteral(out, ",\"port\":\"");
  out = putPort(out, r.portTag);
  out = putLiteral(out, "\",\"length\":");
  out = putDecimal(out, static_cast<std::uint64_t>(r.length));
  out = putLiteral(out, ",\"hex\":\"");
  for (int i = 0; i < r.length; ++i) out = putHex(out, r.data[i]);
  out = putLiteral(out, "\",\"text\":");
  out = putJsonString(out, r.data, r.length);
  out = putLiteral(out, "}\n");
  buffer.commit(out);
}

void writeRaw(const RecordView& r, OutputBuffer& buffer) {
  char* out = buffer.reserveLine();
  std::memcpy(out, r.data, static_cast<std::size_t>(r.length));
  buffer.commit(out + r.length);
}

}  // namespace

std::optional<RecordFormat> parseRecordFormat(std::string_view name) {
  if (name == "text") return RecordFormat::Text;
  if (name == "csv") return RecordFormat::Csv;
  if (name == "jsonl") return RecordFormat::Jsonl;
  if (name == "pcap") return RecordFormat::Pcap;
  return std::nullopt;
}

std::string_view formatHeader(RecordFormat format, bool withTime) {
  if (format != RecordFormat::Csv) return "";
  return withTime ? "offset,label,time,port,length,hex,text\n"
                  : "offset,label,port,length,hex,text\n";
}

void writeRecord(RecordFormat format, const RecordView& record, OutputBuffer& out,
                 std::string_view time) {
  switch (format) {
    case RecordFormat::Text:
      writeText(record, out, time);
      break;
    case RecordFormat::Csv:
      writeCsv(record, out, time);
      break;
    case RecordFormat::Jsonl:
      writeJsonl(record, out, time);
      break;
    case RecordFormat::Raw:
      writeRaw(record, out);
      break;
    case RecordFormat::Pcap:
      break;
  }
}

}  // namespace capture_text
