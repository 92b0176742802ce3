#include "tools/dump/output_buffer.h"

#include <algorithm>
#include <cerrno>

#include "platform/process/raw_file.h"

namespace capture_text {

OutputBuffer::OutputBuffer(int fd) : fd_(fd), block_(new char[kBlockBytes]) {}

OutputBuffer::~OutputBuffer() {
  flush();
  delete[] block_;
}

void OutputBuffer::append(std::string_view text) {
  while (!text.empty()) {
    if (used_ == kBlockBytes) flush();
    const std::size_t take = std::min(text.size(), kBlockBytes - used_);
    std::memcpy(block_ + used_, text.data(), take);
    used_ += take;
    text.remove_prefix(take);
  }
}

bool OutputBuffer::flush() {
  if (fd_ < 0) {
    collected_.append(block_, used_);
    used_ = 0;
    return true;
  }
  std::size_t done = 0;
  while (done < used_ && !failed_) {
    const long long wrote = platform::process::writeSome(fd_, block_ + done, used_ - done);
    if (wrote > 0) {
      done += static_cast<std::size_t>(wrote);
    } else {
      // A write that takes nothing would be asked again forever.
      failed_ = true;
      writeError_ = wrote < 0 ? errno : EIO;
    }
  }
  // After a failure the rest is dropped: there is nowhere left to put it.
  used_ = 0;
  return !failed_;
}

}  // namespace capture_text
