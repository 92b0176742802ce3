// The dump's record reader, every output format and the pcap export's
// packets on foreign bytes. The reader gets its bytes in short pieces and
// through a small buffer, both sized from the input, so that records
// straddling a refill are common.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "tools/dump/byte_source.h"
#include "tools/dump/capture_record_reader.h"
#include "tools/dump/label_time.h"
#include "tools/dump/output_buffer.h"
#include "tools/dump/pcap_dump.h"
#include "tools/dump/record_formats.h"
#include "tools/pcap/frame_joiner.h"
#include "tools/pcap/serial_packet.h"

namespace {

using namespace capture_text;

// Hands out at most pieceBytes per read, like a pipe.
class PiecewiseSource final : public ByteSource {
 public:
  PiecewiseSource(std::span<const std::uint8_t> bytes, std::size_t pieceBytes)
      : inner_(bytes), pieceBytes_(pieceBytes) {}
  long read(std::span<std::uint8_t> buffer) override {
    return inner_.read(buffer.first(buffer.size() < pieceBytes_ ? buffer.size() : pieceBytes_));
  }

 private:
  MemoryByteSource inner_;
  std::size_t pieceBytes_;
};

std::size_t countLines(const std::string& text) {
  std::size_t lines = 0;
  for (char c : text) lines += c == '\n' ? 1 : 0;
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::uint32_t sum = 0;
  for (std::size_t i = 0; i < size; ++i) sum += data[i];
  const std::size_t pieceBytes = 1 + sum % 40;
  const std::size_t bufferBytes = CaptureRecordReader::kMinBufferBytes + (sum / 40) % 50;

  PiecewiseSource source(std::span<const std::uint8_t>(data, size), pieceBytes);
  CaptureRecordReader reader(source, bufferBytes);
  OutputBuffer text(-1), csv(-1), jsonl(-1), raw(-1);
  std::uint64_t expectedOffset = 0;
  std::uint64_t records = 0;
  std::uint64_t rawBytes = 0;
  // The pcap export: labels as poll numbers, a join gap from the input.
  const std::int64_t gapMicros = static_cast<std::int64_t>(sum % 3) * 15'000;
  pcap_export::FrameJoiner joiner({gapMicros, gapMicros});
  PollPacketizer packets(LabelClock{0, 10'000}, joiner);
  std::uint64_t timedBytes = 0;
  RecordView record;
  ReadStep step;
  while ((step = reader.next(record)) == ReadStep::Record) {
    // Records lie back to back inside the input, exactly as its bytes say.
    FUZZ_CHECK(record.offset == expectedOffset);
    FUZZ_CHECK(record.length >= 1 && record.length <= kMaxRecordDataBytes);
    FUZZ_CHECK(record.offset + kRecordHeaderBytes + static_cast<std::uint64_t>(record.length) <=
               size);
    FUZZ_CHECK(record.length == data[record.offset]);
    FUZZ_CHECK(record.portTag == data[record.offset + 1]);
    for (int i = 0; i < record.length; ++i) {
      FUZZ_CHECK(record.data[i] ==
                 data[record.offset + kRecordHeaderBytes + static_cast<std::size_t>(i)]);
    }
    writeRecord(RecordFormat::Text, record, text);
    writeRecord(RecordFormat::Csv, record, csv);
    writeRecord(RecordFormat::Jsonl, record, jsonl);
    writeRecord(RecordFormat::Raw, record, raw);
    // A label that does not begin with a digit has no time.
    const bool timed = packets.add(record);
    FUZZ_CHECK(timed == (record.label[0] >= '0' && record.label[0] <= '9'));
    if (timed) timedBytes += static_cast<std::uint64_t>(record.length);
    expectedOffset = record.offset + kRecordHeaderBytes + static_cast<std::uint64_t>(record.length);
    ++records;
    rawBytes += static_cast<std::uint64_t>(record.length);
  }
  FUZZ_CHECK(step == ReadStep::End || step == ReadStep::Malformed);
  FUZZ_CHECK(reader.wholeBytes() == expectedOffset);
  if (step == ReadStep::End) {
    FUZZ_CHECK(expectedOffset == size);
  } else {
    // The walk stops where the fault is, and the fault is really there.
    FUZZ_CHECK(reader.stopOffset() == expectedOffset && expectedOffset < size);
    const std::uint8_t length = data[expectedOffset];
    FUZZ_CHECK(length == 0 || length > kMaxRecordDataBytes ||
               expectedOffset + kRecordHeaderBytes + length > size);
    FUZZ_CHECK(!reader.stopReason().empty());
  }
  // Once stopped, it stays stopped.
  FUZZ_CHECK(reader.next(record) == step);

  // Every timed byte is in exactly one packet, within the size limit, its
  // port in the footer.
  packets.flush();
  joiner.finish();
  std::uint64_t packetBytes = 0;
  std::vector<std::uint8_t> file;
  for (const pcap_export::SerialPacket& packet : joiner.ready()) {
    FUZZ_CHECK(!packet.payload.empty() && packet.payload.size() <= pcap_export::kMaxPayloadBytes);
    FUZZ_CHECK(packet.event == pcap_export::dataEventOfPort(packet.footer));
    packetBytes += packet.payload.size();
    const std::size_t before = file.size();
    pcap_export::appendPacket(file, packet);
    FUZZ_CHECK(file.size() - before == pcap_export::packetRecordBytes(packet));
  }
  FUZZ_CHECK(packetBytes == timedBytes);

  for (OutputBuffer* out : {&text, &csv, &jsonl, &raw}) out->flush();
  FUZZ_CHECK(countLines(text.collected()) == records);
  FUZZ_CHECK(countLines(csv.collected()) == records);
  FUZZ_CHECK(countLines(jsonl.collected()) == records);
  FUZZ_CHECK(raw.collected().size() == rawBytes);
  return 0;
}
