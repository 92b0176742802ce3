#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace linesim {

// How far the program at the other end of a line has got.
enum class ReaderState {
  absent,      // nobody holds the port open
  opened,      // opened, still in the terminal's cooked default mode
  configured,  // opened and switched to raw mode (no canonical input, no echo)
};

// One pseudo-terminal pair. The simulator writes into the master; the slave, at slavePath(),
// is the serial port a monitor opens. The simulator holds no slave descriptor of its own, so
// the master reports a hang-up exactly when no reader has the port open.
class VirtualLine {
 public:
  VirtualLine();  // throws std::system_error
  ~VirtualLine();
  VirtualLine(const VirtualLine&) = delete;
  VirtualLine& operator=(const VirtualLine&) = delete;

  int masterFd() const { return master_; }
  const std::string& slavePath() const { return slavePath_; }

  // Reads the hang-up flag of the master and the line's settings through it (the master sees
  // the slave's termios).
  ReaderState readerState() const;

  // Bytes waiting in the reader's input queue, probed through a second descriptor of the
  // slave. Bytes still being handed on to that queue are not counted, so only a zero that
  // stays zero means drained. Nothing when the port cannot be opened again (held exclusively by a
  // reader that is not privileged to override it).
  std::optional<std::size_t> queuedForReader() const;

  // Writes without blocking; returns the bytes taken (0 when the queue is full), or -1 on an
  // error other than a full queue.
  long write(std::span<const std::uint8_t> bytes);

  // The monitor never transmits, but a reader in cooked mode echoes; that echo is thrown away
  // so it cannot fill the master's input side.
  void discardReaderOutput();

 private:
  int master_ = -1;
  std::string slavePath_;
};

}  // namespace linesim
