// The settings a terminal had before the monitor changed them, so that a port
// is left as it was found.
#pragma once

#include <termios.h>

#include <optional>

#include "platform/posix/line_speed.h"

namespace platform::posix {

class SavedTerminalSettings {
 public:
  // Takes the settings of the open terminal fd; false when it cannot.
  bool save(int fd);
  // Gives them back to fd (the same device, about to be released); the rate
  // goes through termios2 when it was a number or did not come back.
  bool restore(int fd) const;

 private:
  termios tio_{};
  std::optional<LineSpeeds> speeds_;
  bool saved_ = false;
};

}  // namespace platform::posix
