#include "platform/win32/failure_reason.h"

#include "platform/win32/system_error_text.h"

#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace platform::win32 {
namespace {

// What a user can do about an error met while opening or configuring a port.
std::string_view hintFor(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return "There is no such port on this computer: check the port names in Device Manager "
             "(Ports (COM & LPT)) and choose one in Setup.";
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return "Another program (or this one) holds the port open: close the port there, then "
             "connect again.";
    case ERROR_GEN_FAILURE:
    case ERROR_SEM_TIMEOUT:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
    case ERROR_BAD_COMMAND:
      return "The device does not answer: check that it is plugged in, then connect again.";
    case ERROR_INVALID_PARAMETER:
      return "The port's driver refuses these line settings: choose another baud rate, data "
             "bits, stop bits or parity in Setup.";
    case ERROR_INVALID_FUNCTION:
    case ERROR_NOT_SUPPORTED:
      return "This device is no serial port: choose a COM port in Setup.";
    default:
      return "";
  }
}

}  // namespace

std::string portName(std::string_view path) {
  for (std::string_view prefix : {"//./", "\\\\.\\"}) {
    if (path.starts_with(prefix)) return std::string(path.substr(prefix.size()));
  }
  return std::string(path);
}

std::string describeDeviceFailure(const std::string& path, std::uint32_t error) {
  const std::string name = portName(path);
  std::string reason = name;
  if (name != path) reason.append(" (").append(path).append(")");
  reason.append(": ").append(systemErrorText(error)).append(".");
  const std::string_view hint = hintFor(error);
  if (!hint.empty()) reason.append(" ").append(hint);
  return reason;
}

bool deviceGone(std::uint32_t error) {
  switch (error) {
    case ERROR_BAD_COMMAND:
    case ERROR_ACCESS_DENIED:
    case ERROR_DEVICE_REMOVED:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_GEN_FAILURE:
    case ERROR_OPERATION_ABORTED:
    case ERROR_FILE_NOT_FOUND:
    case ERROR_INVALID_HANDLE:
    case ERROR_NOT_READY:  // a line hung up at its far end, as Wine reports it
    case ERROR_DEV_NOT_EXIST:
      return true;
    default:
      return false;
  }
}

}  // namespace platform::win32
