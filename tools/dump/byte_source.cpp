#include "tools/dump/byte_source.h"

#include <algorithm>
#include <cstring>

#include "platform/process/raw_file.h"

namespace capture_text {

long FdByteSource::read(std::span<std::uint8_t> buffer) {
  return static_cast<long>(platform::process::readSome(fd_, buffer.data(), buffer.size()));
}

long MemoryByteSource::read(std::span<std::uint8_t> buffer) {
  const std::size_t count = std::min(buffer.size(), bytes_.size() - at_);
  if (count > 0) std::memcpy(buffer.data(), bytes_.data() + at_, count);
  at_ += count;
  return static_cast<long>(count);
}

}  // namespace capture_text
