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

// With a time column (--time), text lines start with the record's time and
// a blank, csv has a time field after label, jsonl a "time" after "label":
//          2026-12-08T17:45:01.250000Z 000042: A AT+RX?  ...
//
// pcap is not a line format: see pcap_dump.h.
enum class RecordFormat { Text, Csv, Jsonl, Raw, Pcap };

std::optional<RecordFormat> parseRecordFormat(std::string_view name);

// The header line of a format, empty for those without one.
std::string_view formatHeader(RecordFormat format, bool withTime = false);

// time: the record's time as text, written as a column when not empty.
void writeRecord(RecordFormat format, const RecordView& record, OutputBuffer& out,
                 std::string_view time = {});

}  // namespace capture_text
