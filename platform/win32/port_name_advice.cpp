#include "platform/comm/port_name_advice.h"

namespace platform {

std::string longPortNameAdvice() {
  return "On Windows, enter the COM name alone, such as COM12, without a \\\\.\\ prefix. Device "
         "Manager lists each adapter's COM name under Ports (COM & LPT); its Port Settings, "
         "Advanced, COM Port Number gives it a shorter one.";
}

std::string remoteLineNameAdvice() {
  return "A line on another machine is named through a file in %APPDATA%\\Korvane\\ports that "
         "holds its address (such as rfc2217://HOST:PORT): enter the file's name.";
}

}  // namespace platform
