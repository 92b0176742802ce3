#include "platform/posix/line_speed.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>

// <sys/ioctl.h> would pull in the C library's termios definitions, which
// clash with the kernel's; ioctl is all that is needed from it.
extern "C" int ioctl(int fd, unsigned long request, ...);

namespace platform::posix {

bool setLineSpeed(int fd, std::uint32_t baudRate) {
  return setLineSpeeds(fd, LineSpeeds{.input = baudRate, .output = baudRate, .byNumber = true});
}

std::optional<std::uint32_t> lineSpeed(int fd) {
  termios2 tio{};
  if (ioctl(fd, TCGETS2, &tio) != 0) return std::nullopt;
  return tio.c_ospeed;
}

std::optional<LineSpeeds> lineSpeeds(int fd) {
  termios2 tio{};
  if (ioctl(fd, TCGETS2, &tio) != 0) return std::nullopt;
  return LineSpeeds{
      .input = tio.c_ispeed, .output = tio.c_ospeed, .byNumber = (tio.c_cflag & CBAUD) == BOTHER};
}

bool setLineSpeeds(int fd, const LineSpeeds& speeds) {
  termios2 tio{};
  if (ioctl(fd, TCGETS2, &tio) != 0) return false;
  tio.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
  tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  tio.c_ispeed = speeds.input;
  tio.c_ospeed = speeds.output;
  return ioctl(fd, TCSETS2, &tio) == 0;
}

}  // namespace platform::posix
