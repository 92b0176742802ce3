// korvane-record on Windows: the recorder over the communications functions,
// remote lines and the settings the monitor keeps in the registry.
#include <utility>

#include "platform/network/folder_entry.h"
#include "platform/network/port_router.h"
#include "platform/network/remote_lines.h"
#include "platform/win32/serial_device.h"
#include "platform/win32/system_registry.h"
#include "tools/record/recorder_program.h"

namespace {

// The window keeps its 1024-byte driver queue (40 ms at 256000 baud); the
// recorder, which also writes to disk, gets 64 KiB (2.5 s at that rate).
constexpr std::uint32_t kRecorderInputQueue = 64 * 1024;

}  // namespace

int main(int argc, char** argv) {
  platform::win32::SerialDeviceOptions options;
  options.minimumInputQueue = kRecorderInputQueue;
  platform::win32::SerialDevices serialDevices(std::move(options));
  platform::network::RemoteLines remoteLines;
  platform::network::PortRouter ports(serialDevices, remoteLines,
                                      platform::network::applicationDataPortsFolder());
  platform::win32::SystemRegistry registry;
  return recorder::runRecorderProgram(argc, argv, ports, registry);
}
