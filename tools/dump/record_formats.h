// The ways a record is written out as text. Each call appends one whole line
// (or, for raw, the record's data bytes alone).
//
// text:  the window's row: label (8), port letter and a blank, the bytes as
//        characters in a 16-wide column, 4 blanks, then " xx" per byte.
//          000042: A AT+RX?               41 54 2b 52 58 3f
// csv:   offset,label,port,length,hex,text   (header line first)
//          12,000042,A,6,41542b52583f,"AT+RX?"
// jsonl: {"offset":12,"label":"000042","port":"A","length":6,"hex":"41542b52583f","text":"AT+RX?"}
//
// offset is the record's byte offset in its file; label the label without its
// trailing colon and blanks; port A, B, or the port tag in decimal for any
// other tag; hex the data bytes in lower case; text the data bytes with every
// byte outside 0x20-0x7e shown as '.'.
#pragma once

#include <optional>
#include <string_view>

#include "tools/dump/capture_record_reader.h"
#include "tools/dump/output_buffer.h"

namespace capture_text {

enum class RecordFormat { Text, Csv, Jsonl, Raw };

std::optional<RecordFormat> parseRecordFormat(std::string_view name);

// The header line of a format, empty for those without one.
std::string_view formatHeader(RecordFormat format);

void writeRecord(RecordFormat format, const RecordView& record, OutputBuffer& out);

}  // namespace capture_text
