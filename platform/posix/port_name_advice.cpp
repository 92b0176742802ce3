#include "platform/comm/port_name_advice.h"

namespace platform {

std::string longPortNameAdvice() {
  return "To use a longer device path on Linux, make a symbolic link with a short name in "
         "~/.config/korvane/ports/ (for example to a /dev/serial/by-id/ name) and enter that "
         "name.";
}

std::string remoteLineNameAdvice() {
  return "A line on another machine is named through a text file in ~/.config/korvane/ports/ "
         "that holds its address (such as rfc2217://HOST:PORT): enter the file's name.";
}

}  // namespace platform
