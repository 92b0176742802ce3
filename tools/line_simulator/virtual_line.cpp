#include "tools/line_simulator/virtual_line.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <system_error>

namespace linesim {
namespace {

[[noreturn]] void throwErrno(const char* what) {
  throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

VirtualLine::VirtualLine() {
  int slave = -1;
  if (openpty(&master_, &slave, nullptr, nullptr, nullptr) != 0) throwErrno("openpty");
  std::array<char, 128> name{};
  const int nameResult = ttyname_r(slave, name.data(), name.size());
  close(slave);
  if (nameResult != 0) {
    close(master_);
    errno = nameResult;
    throwErrno("ttyname_r");
  }
  slavePath_ = name.data();
  const int flags = fcntl(master_, F_GETFL);
  if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0 ||
      fcntl(master_, F_SETFD, FD_CLOEXEC) != 0) {
    close(master_);
    throwErrno("fcntl on the pseudo-terminal");
  }
}

VirtualLine::~VirtualLine() {
  if (master_ >= 0) close(master_);
}

ReaderState VirtualLine::readerState() const {
  pollfd p{master_, POLLOUT, 0};
  if (poll(&p, 1, 0) < 0 || (p.revents & POLLHUP) != 0) return ReaderState::absent;
  termios settings{};
  if (tcgetattr(master_, &settings) != 0) return ReaderState::opened;
  const bool raw = (settings.c_lflag & (ICANON | ECHO)) == 0;
  return raw ? ReaderState::configured : ReaderState::opened;
}

std::optional<std::size_t> VirtualLine::queuedForReader() const {
  const int probe = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (probe < 0) return std::nullopt;
  int queued = 0;
  const int result = ioctl(probe, FIONREAD, &queued);
  close(probe);
  if (result != 0 || queued < 0) return std::nullopt;
  return static_cast<std::size_t>(queued);
}

long VirtualLine::write(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return 0;
  const ssize_t n = ::write(master_, bytes.data(), bytes.size());
  if (n >= 0) return static_cast<long>(n);
  if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return 0;
  return -1;
}

void VirtualLine::discardReaderOutput() {
  std::array<std::uint8_t, 512> sink{};
  while (::read(master_, sink.data(), sink.size()) > 0) {
  }
}

}  // namespace linesim
