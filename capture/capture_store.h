// The capture store: the buffer of back-to-back capture records and the
// fixed index that gives direct access to the n-th record.
#pragma once

#include <cstddef>
#include <cstdint>

// Layout of one record in the buffer.
namespace CaptureRecord {
inline constexpr std::size_t kLengthOffset = 0;
inline constexpr std::size_t kPortTagOffset = 1;
inline constexpr std::size_t kLabelOffset = 2;
inline constexpr std::size_t kLabelSize = 8;
inline constexpr std::size_t kDataOffset = 10;
inline constexpr std::size_t kHeaderSize = 10;
inline constexpr std::size_t kMaxDataBytes = 16;
}  // namespace CaptureRecord

struct RecordSlot {
  std::uint8_t* record;
  std::int32_t complete;
};

inline constexpr std::int32_t kRecordIndexSlots = 1 << 20;  // 1,048,576
inline constexpr std::size_t kBytesPerMiB = 1024 * 1024;
// Default buffer size used when a requested size cannot be allocated at start.
inline constexpr std::int32_t kDefaultMemSizeMB = 2;
// The most one read of a port hands to appendChunk.
inline constexpr int kMaxChunkBytes = 256;

extern RecordSlot RecordIndex[kRecordIndexSlots];

// Size in bytes of the buffer in use (memSizeMBLoaded MiB once allocated,
// 0 before the first allocation).
std::size_t captureBufferBytes();

void allocateCaptureStore();
void appendChunk(int port, const std::uint8_t* bytes, int n);
void rebuildRecordIndex();

// Empties the store for a capture that goes on elsewhere (a recorder that
// has written the records out): the records and the view position are gone,
// while pollSeq and the connection stay, so labels keep counting.
void recycleCaptureStore();

// The length byte of the record that slot points at; 0 for a slot outside
// the index or beyond the records (slot 0 always reads the buffer's first
// byte, which is 0 in an empty store).
int recordLengthByte(std::int32_t slot);

// Puts every piece of process-wide state back to its process-start value:
// MonitorState, the record index, the capture buffer and the caret. For tests.
void resetProcessState();
