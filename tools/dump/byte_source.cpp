#include "tools/dump/byte_source.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace capture_text {

long FdByteSource::read(std::span<std::uint8_t> buffer) {
  for (;;) {
    const ssize_t got = ::read(fd_, buffer.data(), buffer.size());
    if (got >= 0) return static_cast<long>(got);
    if (errno != EINTR) return -1;
  }
}

long MemoryByteSource::read(std::span<std::uint8_t> buffer) {
  const std::size_t count = std::min(buffer.size(), bytes_.size() - at_);
  if (count > 0) std::memcpy(buffer.data(), bytes_.data() + at_, count);
  at_ += count;
  return static_cast<long>(count);
}

}  // namespace capture_text
