#include "capture/capture_store.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "capture/monitor_state.h"
#include "platform/framework/cwnd.h"

RecordSlot RecordIndex[kRecordIndexSlots];

namespace {

using Block = std::unique_ptr<std::uint8_t[]>;

// The buffer the store owns, and its size in bytes. The size is kept beside
// the block so that no walk or write depends on a setting that may have moved
// ahead of the buffer in use.
struct OwnedBuffer {
  Block block;
  std::size_t bytes = 0;
};
OwnedBuffer ownedBuffer;

// A zero-filled block of sizeMB MiB, or none when that size is not one that
// can be allocated. Every byte is written here, so the memory is really
// there before the capture starts: the appends then never stall on fresh
// pages, and a shortage shows now instead of in the middle of a capture.
Block allocateZeroed(std::int32_t sizeMB) {
  if (sizeMB < 1) return nullptr;
  const auto mib = static_cast<std::size_t>(sizeMB);
  if (mib > std::numeric_limits<std::size_t>::max() / kBytesPerMiB) return nullptr;
  const std::size_t bytes = mib * kBytesPerMiB;
  // Not calloc: that hands out pages that are only zeroed when first touched.
  Block block(new (std::nothrow) std::uint8_t[bytes]);
  if (block) std::memset(block.get(), 0, bytes);
  return block;
}

// The first eight characters of "%06d: " for value. Digits are written by
// hand for the usual non-negative numbers: an append happens for every 16
// bytes received, and a formatted print per chunk would dominate its cost.
void formatLabel(std::int32_t value, char (&label)[CaptureRecord::kLabelSize]) {
  if (value < 0) {
    char formatted[16];
    std::snprintf(formatted, sizeof formatted, "%06d: ", value);
    std::memcpy(label, formatted, sizeof label);
    return;
  }
  char digits[10];
  int count = 0;
  auto rest = static_cast<std::uint32_t>(value);
  do {
    digits[count++] = static_cast<char>('0' + rest % 10);
    rest /= 10;
  } while (rest != 0);
  while (count < 6) digits[count++] = '0';
  // Digits, then ": ", cut to eight characters.
  char text[12];
  int length = 0;
  while (count > 0) text[length++] = digits[--count];
  text[length++] = ':';
  text[length++] = ' ';
  std::memcpy(label, text, sizeof label);
}

void clearIndexFlags() {
  for (auto& slot : RecordIndex) slot.complete = 0;
}

}  // namespace

std::size_t captureBufferBytes() { return ownedBuffer.bytes; }

void allocateCaptureStore() {
  MonitorState& s = monitorState;
  s.caretCol = 0;
  s.caretRow = 0;
  s.pollSeq = 0;
  s.recordCount = 0;
  s.lastChunkLen = 0;
  s.topRow = 0;
  s.newData = 0;
  s.connected = 0;
  s.storeOverflowed = 0;

  // A buffer of the size asked for is simply emptied: every Connect reloads
  // the same size, and a second block alongside the first would double the
  // memory the store holds at its peak. A new size gets a new block, obtained
  // before the old one is released, so that a failed allocation leaves the
  // store with the buffer it had.
  bool fellBack = false;
  std::int32_t sizeMB = s.memSizeMB;
  const bool sameSize = ownedBuffer.block && sizeMB >= 1 &&
                        static_cast<std::size_t>(sizeMB) * kBytesPerMiB == ownedBuffer.bytes;
  Block fresh;
  if (sameSize) {
    std::memset(ownedBuffer.block.get(), 0, ownedBuffer.bytes);
  } else {
    fresh = allocateZeroed(sizeMB);
  }
  if (!sameSize && !fresh) {
    fellBack = true;
    if (ownedBuffer.block) {
      sizeMB = static_cast<std::int32_t>(ownedBuffer.bytes / kBytesPerMiB);
      std::memset(ownedBuffer.block.get(), 0, ownedBuffer.bytes);
    } else {
      sizeMB = kDefaultMemSizeMB;
      fresh = allocateZeroed(sizeMB);
    }
  }
  if (fresh) {
    ownedBuffer.block = std::move(fresh);
    ownedBuffer.bytes = static_cast<std::size_t>(sizeMB) * kBytesPerMiB;
  }

  if (!ownedBuffer.block) {
    // Not even the default size could be had: there is nothing to capture into.
    s.bufferStart = nullptr;
    s.writePos = nullptr;
    ShowMessageBox(platform::kNoWindow, "Can not allocate Receive Buffer", "Error", MB_OK);
    AfxExitProcess(1);
  }

  s.bufferStart = ownedBuffer.block.get();
  s.writePos = s.bufferStart;
  // Pointers into a released buffer are cleared along with the flags.
  for (auto& slot : RecordIndex) slot = RecordSlot{nullptr, 0};
  RecordIndex[0].record = s.bufferStart;

  if (fellBack) {
    // The settings follow the buffer actually in use, so that a later size
    // comparison and every walk are bounded by it.
    s.memSizeMB = sizeMB;
    s.memSizeMBLoaded = sizeMB;
    // Shown last: ticks arrive inside the box's loop and find a sound store.
    ShowMessageBox(platform::kNoWindow, "Can not allocate Receive Buffer", "Error", MB_OK);
  }
}

void appendChunk(int port, const std::uint8_t* bytes, int n) {
  MonitorState& s = monitorState;
  if (bytes == nullptr || n < 1) return;
  // Once a record did not fit, nothing more is stored until the next reset,
  // so the capture stays an unbroken prefix of what arrived.
  if (s.storeOverflowed != 0 || s.bufferStart == nullptr) {
    s.storeOverflowed = 1;
    return;
  }

  char label[CaptureRecord::kLabelSize];
  formatLabel(s.pollSeq, label);
  const std::uint8_t* const bufferEnd = s.bufferStart + ownedBuffer.bytes;
  const auto tag = static_cast<std::uint8_t>(port + 1);

  int consumed = 0;
  while (consumed < n) {
    const int m = n - consumed < 16 ? n - consumed : 16;
    const auto recordBytes = static_cast<std::size_t>(m) + CaptureRecord::kHeaderSize;
    if (s.recordCount >= kRecordIndexSlots ||
        static_cast<std::size_t>(bufferEnd - s.writePos) < recordBytes) {
      s.storeOverflowed = 1;
      return;
    }
    s.lastChunkLen = m;
    std::uint8_t* at = s.writePos;
    RecordIndex[s.recordCount].record = at;
    at[CaptureRecord::kLengthOffset] = static_cast<std::uint8_t>(m);
    at[CaptureRecord::kPortTagOffset] = tag;
    std::memcpy(at + CaptureRecord::kLabelOffset, label, CaptureRecord::kLabelSize);
    std::memcpy(at + CaptureRecord::kDataOffset, bytes + consumed, static_cast<std::size_t>(m));
    s.writePos = at + recordBytes;
    RecordIndex[s.recordCount].complete = 1;
    ++s.recordCount;
    if (port == 0 || port == 1) ++s.portRun[port].recordsCaptured;
    if (s.recordCount < kRecordIndexSlots) RecordIndex[s.recordCount].complete = 0;
    s.newData = 1;
    consumed += m;
  }
}

void rebuildRecordIndex() {
  MonitorState& s = monitorState;
  clearIndexFlags();
  s.recordCount = 0;
  std::uint8_t* p = s.bufferStart;
  s.writePos = p;
  if (p == nullptr) return;
  const std::uint8_t* const end = s.bufferStart + ownedBuffer.bytes;

  // The walk ends at a zero length byte, at a length byte of 128 or more
  // (which no append writes), at a record the buffer's end cuts short, and
  // when the index is full. The records found before that stay.
  while (s.recordCount < kRecordIndexSlots && p < end) {
    const std::uint8_t length = *p;
    if (length == 0 || length >= 128) break;
    const auto recordBytes = static_cast<std::size_t>(length) + CaptureRecord::kHeaderSize;
    if (static_cast<std::size_t>(end - p) < recordBytes) break;
    RecordIndex[s.recordCount].record = p;
    RecordIndex[s.recordCount].complete = 1;
    ++s.recordCount;
    p += recordBytes;
    s.writePos = p;
  }
}

void recycleCaptureStore() {
  MonitorState& s = monitorState;
  if (s.bufferStart == nullptr) return;
  // Only the used part is cleared: the bytes behind writePos are still zero.
  std::memset(s.bufferStart, 0, static_cast<std::size_t>(s.writePos - s.bufferStart));
  const std::int32_t usedSlots =
      s.recordCount < kRecordIndexSlots ? s.recordCount + 1 : s.recordCount;
  for (std::int32_t i = 0; i < usedSlots; ++i) RecordIndex[i] = RecordSlot{nullptr, 0};
  RecordIndex[0].record = s.bufferStart;
  s.writePos = s.bufferStart;
  s.recordCount = 0;
  s.lastChunkLen = 0;
  s.caretRow = 0;
  s.caretCol = 0;
  s.topRow = 0;
  s.newData = 0;
  s.storeOverflowed = 0;
}

int recordLengthByte(std::int32_t slot) {
  // Slot 0 always points into the buffer in use; later slots only while
  // they hold a record.
  if (slot < 0 || slot >= kRecordIndexSlots) return 0;
  if (slot != 0 && slot >= monitorState.recordCount) return 0;
  const std::uint8_t* record = RecordIndex[slot].record;
  return record != nullptr ? record[CaptureRecord::kLengthOffset] : 0;
}

void resetProcessState() {
  monitorState = MonitorState{};
  for (auto& slot : RecordIndex) slot = RecordSlot{nullptr, 0};
  ownedBuffer = OwnedBuffer{};
  resetCaretForTests();
}
