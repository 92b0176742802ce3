// A pseudo-terminal standing in for a serial line: the master end is the
// line (the test writes what "arrives"), the slave end is the port.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

class PtyLine {
 public:
  PtyLine() {
    char name[128] = {};
    int slave = -1;
    if (openpty(&master_, &slave, name, nullptr, nullptr) != 0) return;
    slavePath_ = name;
    // The test holds no slave descriptor: the port is reached by its name.
    close(slave);
  }
  ~PtyLine() { closeLine(); }
  PtyLine(const PtyLine&) = delete;
  PtyLine& operator=(const PtyLine&) = delete;

  bool ok() const { return master_ >= 0 && !slavePath_.empty(); }
  // The line's end: termios calls on it reach the port's settings, and what
  // the port would send (an echo, a flow-control byte) arrives here.
  int masterFd() const { return master_; }
  // "/dev/pts/N"
  const std::string& slavePath() const { return slavePath_; }
  // "pts/N", the port name that reaches the slave through /dev.
  std::string portName() const { return slavePath_.substr(std::string("/dev/").size()); }

  // Sends bytes down the line; the pty queues them without loss.
  bool send(const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
      if (n <= 0) return false;
      done += static_cast<std::size_t>(n);
    }
    return true;
  }

  // The line goes away: a hang-up for the port.
  void closeLine() {
    if (master_ >= 0) close(master_);
    master_ = -1;
  }

 private:
  int master_ = -1;
  std::string slavePath_;
};

// Waits until the open port fd has at least count bytes queued for reading
// (the tty layer hands written bytes over asynchronously). Returns false
// when they never arrive.
inline bool waitQueued(int portFd, int count) {
  for (int attempt = 0; attempt < 500; ++attempt) {
    int queued = 0;
    if (ioctl(portFd, FIONREAD, &queued) == 0 && queued >= count) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}
