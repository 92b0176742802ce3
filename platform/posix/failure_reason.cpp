#include "platform/posix/failure_reason.h"

#include <cerrno>
#include <cstring>

namespace platform::posix {
namespace {

std::string linkCommand(const DeviceFailure& failure) {
  return "ln -sfn /dev/ttyUSB0 '" + failure.portsFolder + "/" + failure.name + "'";
}

std::string holderList(const DeviceFailure& failure) {
  std::string list;
  for (const DeviceHolder& holder : failure.holders) {
    if (!list.empty()) list += ", ";
    if (holder.pid == failure.ownPid) {
      list += "this program itself (pid " + std::to_string(holder.pid) + ")";
    } else {
      list += std::to_string(holder.pid) + " (" + holder.command + ")";
    }
  }
  return list;
}

bool heldByThisProgram(const DeviceFailure& failure) {
  for (const DeviceHolder& holder : failure.holders) {
    if (holder.pid == failure.ownPid) return true;
  }
  return false;
}

std::string busyText(const DeviceFailure& failure) {
  if (failure.holders.empty()) {
    return "the device is in use by another program (which one is not visible to this user). "
           "Close that program, then connect again.";
  }
  std::string text = "the device is in use by " + holderList(failure) + ". ";
  if (heldByThisProgram(failure)) {
    text += "Port A and port B may name the same device: give each its own in Setup. ";
  }
  if (failure.holders.size() > 1 || !heldByThisProgram(failure)) {
    text += "Close that program, then connect again.";
  }
  while (text.back() == ' ') text.pop_back();
  return text;
}

std::string reasonText(const DeviceFailure& failure) {
  if (failure.rejectedRate) {
    std::string text =
        "the device does not take " + std::to_string(*failure.rejectedRate) + " baud";
    if (failure.takenRate) text += " (it set " + std::to_string(*failure.takenRate) + ")";
    return text + ". Choose another baud rate in Setup.";
  }
  switch (failure.error) {
    case ENOENT:
      return "no such device. Type the device's name in Setup (for example ttyUSB0), or link "
             "the name in the ports folder " +
             failure.portsFolder + ": " + linkCommand(failure);
    // A serial port without its chip (ttyS1 on most machines) opens with EIO.
    case EIO:
    case ENXIO:
    case ENODEV:
      return "no device answers (it is unplugged, or this machine has no such port). Plug it "
             "in, or choose another device in Setup.";
    case ENOTTY:
      return "the path is not a serial device. Type a serial device's name in Setup, such as "
             "ttyUSB0 or ttyS0.";
    case EBUSY:
    case EWOULDBLOCK:
      return busyText(failure);
    case EACCES:
    case EPERM:
      if (failure.group.empty()) {
        return "permission denied. Ask for read and write access to the device.";
      }
      return "permission denied: the device belongs to group \"" + failure.group +
             "\". Add yourself to it with: sudo usermod -aG " + failure.group +
             " $USER, then log out and in again.";
    default:
      return std::string(std::strerror(failure.error)) + ".";
  }
}

}  // namespace

std::string describeDeviceFailure(const DeviceFailure& failure) {
  if (failure.resolution.empty()) {
    return "\"" + failure.name +
           "\" is not a device name. Type the name of a device under /dev in Setup (for "
           "example ttyUSB0), or of a link in the ports folder " +
           failure.portsFolder + ".";
  }
  return failure.resolution + ": " + reasonText(failure);
}

}  // namespace platform::posix
