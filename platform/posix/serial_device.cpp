#include "platform/posix/serial_device.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <utility>

#include "platform/posix/device_names.h"
#include "platform/posix/line_speed.h"
#include "platform/posix/termios_line.h"

namespace platform::posix {
namespace {

// A driver may round a rate to what its clock divides to; a UART tolerates
// a few percent, so a rate taken within 3 % counts as taken.
bool rateTaken(std::uint32_t requested, std::uint32_t taken) {
  const std::uint64_t difference = requested > taken ? requested - taken : taken - requested;
  return difference * 100 <= static_cast<std::uint64_t>(requested) * 3;
}

// Whether a character device is a terminal, decided before it is opened:
// opening some devices (a watchdog, for one) acts on the hardware, so only
// terminal devices are ever opened. Unix98 pseudo-terminal slaves have no
// sysfs entry; every other terminal is in the tty class. Without sysfs the
// isatty check after the open is what remains.
bool isTerminalDevice(dev_t device) {
  const unsigned major = ::major(device);
  if (major >= 136 && major <= 143) return true;
  struct stat sysfs {};
  if (stat("/sys/dev/char", &sysfs) != 0) return true;
  const std::string link = "/sys/dev/char/" + std::to_string(major) + ":" +
                           std::to_string(::minor(device)) + "/subsystem";
  char target[PATH_MAX];
  const ssize_t length = readlink(link.c_str(), target, sizeof target - 1);
  if (length <= 0) return false;
  const std::string_view path(target, static_cast<std::size_t>(length));
  return path.ends_with("/tty");
}

}  // namespace

SerialDevices::SerialDevices(std::string portsFolder) : portsFolder_(std::move(portsFolder)) {}

SerialDevices::~SerialDevices() {
  while (!openFds_.empty()) close(*openFds_.begin());
}

bool SerialDevices::isOpen(CommHandle handle) const {
  return handle >= 0 && handle <= INT_MAX && openFds_.contains(static_cast<int>(handle));
}

CommHandle SerialDevices::open(const std::string& path) {
  const std::string device = resolveDevicePath(stripDevicePrefix(path), portsFolder_);
  if (device.empty()) {
    lastOpenError_ = ENOENT;
    return kInvalidCommHandle;
  }
  struct stat info {};
  if (stat(device.c_str(), &info) != 0) {
    lastOpenError_ = errno;
    return kInvalidCommHandle;
  }
  if (!S_ISCHR(info.st_mode) || !isTerminalDevice(info.st_rdev)) {
    lastOpenError_ = ENOTTY;
    return kInvalidCommHandle;
  }
  const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    lastOpenError_ = errno;
    return kInvalidCommHandle;
  }
  auto refuse = [&](int error) {
    ::close(fd);
    lastOpenError_ = error;
    return kInvalidCommHandle;
  };
  if (!isatty(fd)) return refuse(ENOTTY);
  // The lock refuses a second open even to root, whom TIOCEXCL lets pass.
  // It is taken before TIOCEXCL so that a refused open leaves the holder's
  // exclusive flag alone.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) return refuse(errno);
  ioctl(fd, TIOCEXCL);
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) {
    const int error = errno;
    ioctl(fd, TIOCNXCL);
    return refuse(error);
  }
  makeRawForMonitor(tio);
  if (tcsetattr(fd, TCSANOW, &tio) != 0) {
    const int error = errno;
    ioctl(fd, TIOCNXCL);
    return refuse(error);
  }
  tcflush(fd, TCIOFLUSH);
  openFds_.insert(fd);
  lastOpenError_ = 0;
  return fd;
}

bool SerialDevices::setQueues(CommHandle handle, std::uint32_t /*inputBytes*/,
                              std::uint32_t /*outputBytes*/) {
  // The tty layer sizes its own buffers (a pseudo-terminal about 20 KB).
  return isOpen(handle);
}

bool SerialDevices::purge(CommHandle handle) {
  return isOpen(handle) && tcflush(static_cast<int>(handle), TCIOFLUSH) == 0;
}

bool SerialDevices::setReadsReturnAtOnce(CommHandle handle) {
  if (!isOpen(handle)) return false;
  const int fd = static_cast<int>(handle);
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) return false;
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return false;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  return tcsetattr(fd, TCSANOW, &tio) == 0;
}

std::optional<LineState> SerialDevices::lineState(CommHandle handle) {
  if (!isOpen(handle)) return std::nullopt;
  const int fd = static_cast<int>(handle);
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return std::nullopt;
  LineState state = lineStateOf(tio);
  state.baudRate = lineSpeed(fd).value_or(0);
  return state;
}

bool SerialDevices::setLineState(CommHandle handle, const LineState& state) {
  if (!isOpen(handle)) return false;
  const int fd = static_cast<int>(handle);
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return false;
  if (!applyLineState(tio, state)) return false;
  if (tcsetattr(fd, TCSANOW, &tio) != 0) return false;
  // Rates without a B-constant go through termios2, after the rest is set.
  if (!speedConstant(state.baudRate) && !setLineSpeed(fd, state.baudRate)) return false;
  const auto taken = lineSpeed(fd);
  return taken && rateTaken(state.baudRate, *taken);
}

int SerialDevices::read(CommHandle handle, std::uint8_t* buffer, int maxBytes) {
  if (!isOpen(handle) || maxBytes < 0) return -1;
  if (maxBytes == 0) return 0;
  const ssize_t count =
      ::read(static_cast<int>(handle), buffer, static_cast<std::size_t>(maxBytes));
  if (count > 0) return static_cast<int>(count);
  // With VMIN 1 an empty queue is EAGAIN; a read of 0 is a hang-up.
  if (count == 0) return -1;
  if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return 0;
  return -1;
}

bool SerialDevices::close(CommHandle handle) {
  if (!isOpen(handle)) return false;
  const int fd = static_cast<int>(handle);
  // On a pseudo-terminal the exclusive flag would outlive the close.
  ioctl(fd, TIOCNXCL);
  flock(fd, LOCK_UN);
  openFds_.erase(fd);
  // The descriptor is released even when close reports an error, so the
  // handle is gone either way and must not be closed again.
  ::close(fd);
  return true;
}

}  // namespace platform::posix
