// Where a capture file's bytes come from: an open file descriptor, or a
// block of memory (tests, fuzzing).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace capture_text {

class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to buffer.size() bytes: the count read, 0 at the end, -1 when
  // the read failed (errno tells why).
  virtual long read(std::span<std::uint8_t> buffer) = 0;
};

class FdByteSource final : public ByteSource {
 public:
  explicit FdByteSource(int fd) : fd_(fd) {}
  long read(std::span<std::uint8_t> buffer) override;

 private:
  int fd_;
};

class MemoryByteSource final : public ByteSource {
 public:
  explicit MemoryByteSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  long read(std::span<std::uint8_t> buffer) override;

 private:
  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
};

}  // namespace capture_text
