// Text built in one fixed block and written out with write(2) when it fills:
// a dump of a large file makes a few system calls per megabyte and no
// formatted print per byte.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace capture_text {

class OutputBuffer {
 public:
  static constexpr std::size_t kBlockBytes = 256 * 1024;
  // The most one record's line can take in any format; appends of up to this
  // many bytes need no check of their own.
  static constexpr std::size_t kLineReserve = 512;

  // fd -1 collects everything in memory (tests, fuzzing): see collected().
  explicit OutputBuffer(int fd);
  ~OutputBuffer();
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  // Room for at least kLineReserve more bytes, writing out what is held when
  // needed. A failed write is remembered; see failed().
  char* reserveLine() {
    if (kBlockBytes - used_ < kLineReserve) flush();
    return block_ + used_;
  }
  void commit(char* lineEnd) { used_ = static_cast<std::size_t>(lineEnd - block_); }

  void append(std::string_view text);
  bool flush();
  bool failed() const { return failed_; }
  int writeError() const { return writeError_; }
  const std::string& collected() const { return collected_; }

 private:
  int fd_;
  char* block_;
  std::size_t used_ = 0;
  bool failed_ = false;
  int writeError_ = 0;
  std::string collected_;
};

}  // namespace capture_text
