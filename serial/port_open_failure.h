// Why a port could not be opened, in words the user can act on: a line
// setting the port cannot take, or what the device backend found.
#pragma once

#include <string>

struct PortSettings;

// The first of port's line settings (baud rate, data bits, stop bits,
// parity) whose encoded part names no entry of its table, told with the
// text that was set and the values there are; empty when all of them do.
std::string unusableLineSetting(int port, const PortSettings& settings);

// Why opening or setting up the device of port failed, as the backend
// reports it; a plain statement naming the device when it gives no reason.
std::string deviceOpenFailure(const std::string& portName);
