#include "platform/posix/terminal_settings.h"

namespace platform::posix {

bool SavedTerminalSettings::save(int fd) {
  saved_ = tcgetattr(fd, &tio_) == 0;
  speeds_ = lineSpeeds(fd);
  return saved_;
}

bool SavedTerminalSettings::restore(int fd) const {
  if (!saved_) return false;
  if (tcsetattr(fd, TCSANOW, &tio_) != 0) return false;
  if (!speeds_ || (!speeds_->byNumber && lineSpeeds(fd) == speeds_)) return true;
  return setLineSpeeds(fd, *speeds_);
}

}  // namespace platform::posix
