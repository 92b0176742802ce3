// What a user can do when a device's name is too long for the settings to
// keep; each system has its own way (posix/ and win32/ port_name_advice.cpp).
#pragma once

#include <string>

namespace platform {

// One or two sentences, ending with a full stop.
std::string longPortNameAdvice();

// What to do instead of typing a remote line's address (rfc2217://HOST:PORT,
// tcp://HOST:PORT) as a port name: name it through the ports folder.
std::string remoteLineNameAdvice();

}  // namespace platform
